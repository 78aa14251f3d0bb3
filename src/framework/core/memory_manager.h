#pragma once
// The program's memory manager: the heap functions, memory pools and the error handler.
//
// Two back ends sit behind one interface. The system back end (the default) takes blocks from the
// standard allocator and tracks the blocks of each pool, so that the sanitizers and valgrind see every
// allocation and destroying a pool frees all its blocks; fixed-block pools carve their blocks out of
// aligned chunks of the standard allocator so that list nodes stay cheap, with the unused parts poisoned
// for the sanitizers. The paged back end (a release build option, VAEL_MEMORY_PAGED) carves blocks out of
// 64 KB-aligned page runs by size class.
//
// Every address handed to heapFree is first looked up in the manager's own tables, never read, so a
// pointer that did not come from here is reported (MEM_BAD_POINTER) rather than followed.
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
// Pool flags. Shared implies serialized; other bits are kept with the pool.
constexpr unsigned MEM_POOL_SHARED = 1;
constexpr unsigned MEM_POOL_SERIALIZE = 2;
constexpr unsigned MEM_POOL_VIRTUAL_LOCK = 4;
// Bit of the global option word that zero-fills every allocation of the default pool.
constexpr unsigned MEM_OPTION_ZEROINIT = 8;

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

// The bytes of a block that may be used: the size asked for, rounded up to the block's size class; 0 (and
// MEM_BAD_POINTER reported) for an address that is not a block.
std::size_t heapBlockSize(void* p);

// The pool a block belongs to, or null when the address is not a block of the manager.
HeapPool heapBlockPool(void* p);

// The global option word (0x8000 at start); returns the previous word.
unsigned heapSetOptions(unsigned options);

// The pool's limit on committed bytes (no limit at creation) and the bytes it holds now. A request that
// would lift the committed bytes over the ceiling is refused with MEM_EXCEEDED_CEILING.
void heapPoolSetCeiling(HeapPool pool, std::size_t ceiling);
std::size_t heapPoolCommitted(HeapPool pool);

// The error box of the default handler is a platform seam: the application installs its message box, tests
// install their answers. Without one the text goes to standard error and the answer is the one a program
// with nobody to ask should take: OK for reports, Ignore for exhausted memory (the allocation then fails
// and its caller's own failure path runs; retrying with nobody to free memory would never end).
enum class MemBoxButtons { OkCancel, AbortRetryIgnore };
enum class MemBoxAnswer { Ok, Cancel, Abort, Retry, Ignore, NotShown };
using MemMessageBox = MemBoxAnswer (*)(const char* text, const char* caption, MemBoxButtons buttons);
MemMessageBox heapSetMessageBox(MemMessageBox box);

// Abort and Cancel in the error box end the program at once through this (std::_Exit by default); tests
// put in one that records the request and returns, and the handler then answers 0.
using MemExitFunction = void (*)(int status);
MemExitFunction heapSetExitFunction(MemExitFunction exitFunction);

} // namespace vael
