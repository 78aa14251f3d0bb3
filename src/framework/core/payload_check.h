#pragma once
// The check every bus handler makes before it acts: the payload must be a box of the type the handler
// expects. A wrong payload is reported through the assertion routine with the handler's own file and
// line; when the user chooses to carry on, the handler answers 0 without calling its worker, which would
// otherwise run on a value nobody set.
//
//     std::uint32_t Unit::onChangeFacing(Component* target, BusMessage, ContainerBase* data) {
//         auto* unit = static_cast<Unit*>(target);
//         return callWithPayload<DIRECTION>(data, __FILE__, __LINE__,
//                                           [&](const DIRECTION& d) { return unit->changeFacing(d); });
//     }
#include <cstdint>
#include <type_traits>

#include "framework/core/assertion.h"
#include "framework/core/container.h"

namespace vael {

inline constexpr const char* BadPayloadMessage = "Bad data passed in bus message to function";

namespace payload_check_detail {
template <class T, class Worker> using Result = std::invoke_result_t<Worker, const T&>;
template <class T, class Worker>
using Answer = std::conditional_t<std::is_void_v<Result<T, Worker>>, std::uint32_t, Result<T, Worker>>;

// Calls worker when data is a box of T, keeping its answer in out; false when it is not.
template <class T, class Worker, class Out>
bool callIfBoxOf(const ContainerBase* data, Worker& worker, Out& out) {
    auto* box = dynamic_cast<const Container<T>*>(data);
    if (!box) return false;
    if constexpr (std::is_void_v<Result<T, Worker>>)
        worker(*box->valuePtr());
    else
        out = worker(*box->valuePtr());
    return true;
}
} // namespace payload_check_detail

// Calls worker with the value held by data when data is a box of T and answers what the worker answers
// (0 for a worker that answers nothing); otherwise reports and answers 0 (a null reply).
template <class T, class Worker>
payload_check_detail::Answer<T, Worker> callWithPayload(const ContainerBase* data, const char* file,
                                                        std::int16_t line, Worker&& worker) {
    auto* box = dynamic_cast<const Container<T>*>(data);
    Assertion::check(box != nullptr, BadPayloadMessage, file, line);
    if (!box) return payload_check_detail::Answer<T, Worker>{};
    const T& value = *box->valuePtr();
    if constexpr (std::is_void_v<payload_check_detail::Result<T, Worker>>) {
        worker(value);
        return 0;
    } else {
        return worker(value);
    }
}

// The same for a value that comes boxed as one of several types (a number some senders box as short and
// others as unsigned short): the worker is called with the value of the first type that fits, tried in
// order, and a payload of none of them is reported.
template <class T, class U, class... More, class Worker>
payload_check_detail::Answer<T, Worker> callWithPayload(const ContainerBase* data, const char* file,
                                                        std::int16_t line, Worker&& worker) {
    using namespace payload_check_detail;
    Answer<T, Worker> out{};
    const bool fits = callIfBoxOf<T>(data, worker, out) || callIfBoxOf<U>(data, worker, out) ||
                      (callIfBoxOf<More>(data, worker, out) || ...);
    Assertion::check(fits, BadPayloadMessage, file, line);
    return out;
}

// The value of a query's answer, copied into out: no answer (nobody answered) is no fault and leaves out
// as it was; an answer of another type is reported as above and leaves out as it was too. True when out
// was set.
template <class T> bool takeAnswer(const ContainerBase* reply, T& out, const char* file, std::int16_t line) {
    if (!reply) return false;
    return callWithPayload<T>(reply, file, line, [&](const T& value) {
        out = value;
        return true;
    });
}

} // namespace vael
