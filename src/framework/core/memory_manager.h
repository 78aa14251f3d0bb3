#pragma once
// The program's memory manager: the heap functions, memory pools and the error handler.
//
// Two back ends sit behind one interface. The system back end (the default) takes every block from the
// standard allocator and tracks the blocks of each pool, so that the sanitizers and valgrind see every
// allocation and destroying a pool frees all its blocks. The paged back end (a release build option)
// carves blocks out of 64 KB-aligned page runs by size class.
#include <cstddef>
#include <cstdint>

namespace vael {

struct MemPool;
using HeapPool = MemPool*;

enum MemErrorCode : std::uint16_t {
    MEM_INTERNAL_ERROR = 1,
    MEM_OUT_OF_MEMORY = 2,
    MEM_BLOCK_TOO_BIG = 3,
    MEM_ALLOC_ZERO = 4,
    MEM_RESIZE_FAILED = 5,
    MEM_LOCK_ERROR = 6,
    MEM_EXCEEDED_CEILING = 7,
    MEM_TOO_MANY_PAGES = 8,
    MEM_TOO_MANY_TASKS = 9,
    MEM_BAD_MEM_POOL = 10,
    MEM_BAD_BLOCK = 11,
    MEM_BAD_FREE_BLOCK = 12,
    MEM_BAD_HANDLE = 13,
    MEM_BAD_POINTER = 14,
    MEM_WRONG_TASK = 15,
};

// Flags of heapAlloc and heapPoolAlloc.
constexpr unsigned MEM_ZEROINIT = 1;
// Pool flags.
constexpr unsigned MEM_POOL_SHARED = 1;
constexpr unsigned MEM_POOL_SERIALIZE = 2;

// What the error handler is given: the code first, then the pool concerned (null when none).
struct MemErrorInfo {
    std::uint16_t errorCode;
    HeapPool pool;
};

// Answers 1 to retry the failed operation, 0 to give up.
using MemErrorHandler = int (*)(MemErrorInfo*);

void* heapAlloc(std::size_t size, unsigned flags, HeapPool pool);
void* operatorNew(std::size_t size);
void* operatorNewArray(std::size_t size);
void operatorDelete(void* p);
void operatorDeleteArray(void* p);
void* heapMalloc(std::size_t size);
void* heapCalloc(std::size_t count, std::size_t size);
void* heapRealloc(void* p, std::size_t size);
void heapRelease(void* p);
bool heapFree(void* p);

HeapPool heapPoolCreate(unsigned flags);
HeapPool heapPoolCreateFixed(std::size_t blockSize, std::size_t blockCount, unsigned flags);
void* heapPoolAlloc(HeapPool pool, std::size_t size, unsigned flags);
bool heapPoolDestroy(HeapPool pool);

MemErrorHandler heapSetErrorHandler(MemErrorHandler handler);
void heapLeaveErrorHandler();
int heapReportError(HeapPool pool, std::uint16_t code);
int heapDefaultErrorHandler(MemErrorInfo* info);

} // namespace vael
