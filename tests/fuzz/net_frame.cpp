// Reads arbitrary bytes as the stream of frames a peer sends: cut into frames, each read as what its kind
// says. Whatever the bytes, the reader must end cleanly; a message read whole must write back to the same
// payload bytes; a reason for refusing one is shown as it is, holding no control character of the bytes.
// Every message read is asked whether it carries what its handlers need, as the relay asks before taking
// it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "framework/comm/net_frame.h"
#include "framework/core/printable.h"
#include "framework/core/registered_message.h"
#include "framework/core/type_info.h"
#include "game/net/net_payloads.h"

namespace {

using namespace vael;
using namespace vael::comm;

void registerTypes() {
    TypeInfo<short> s;
    TypeInfo<unsigned short> us;
    TypeInfo<long> l;
    TypeInfo<std::string> str;
    TypeInfo<List<std::string>> strings;
    // Every payload the relay carries, as the program registers them.
    registerNetPayloadTypes();
    for (const char* name :
         {"SynchronizeGame", "ActivateLeader", "AddCommentary", "GameEnded", "EndOfGame", "SetPlayerInfo",
          "BattleState", "UnitRouted", "UnitRallied", "UnitEliminated", "UnitLossSealed", "EndOfTurn"})
        RegisteredMessage::getId(name);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool ready = (registerTypes(), true);
    (void)ready;
    const std::int32_t namesBefore = RegisteredMessage::registryCount();
    FrameReader reader;
    // Fed in two pieces, so that a frame split across reads is exercised too.
    const std::size_t half = size / 2;
    reader.feed(reinterpret_cast<const char*>(data), half);
    Frame frame;
    for (int pass = 0; pass < 2; ++pass) {
        for (;;) {
            const FrameReader::Result r = reader.next(frame);
            if (r != FrameReader::Result::Frame) break;
            std::string error;
            switch (frame.kind) {
            case FrameKind::Greeting: {
                Greeting g;
                if (decodeGreeting(frame.payload, g, error) ? encodeGreeting(g) != frame.payload
                                                            : printable(error) != error)
                    std::abort();
                break;
            }
            case FrameKind::Batch: {
                std::vector<ReceivedMessage> batch;
                if (decodeBatch(frame.payload, batch, error)) {
                    std::vector<std::string> again;
                    for (const ReceivedMessage& m : batch) {
                        (void)carriesWhatItNeeds(m.event, m.data.get());
                        std::string one;
                        if (!encodeMessage(m.event, m.data.get(), one, error)) std::abort();
                        again.push_back(one);
                    }
                    std::vector<ReceivedMessage> back;
                    if (!decodeBatch(encodeBatch(again), back, error) || back.size() != batch.size())
                        std::abort();
                } else if (printable(error) != error) {
                    std::abort();
                }
                break;
            }
            case FrameKind::Refusal: {
                std::string reason;
                decodeRefusal(frame.payload, reason, error);
                break;
            }
            case FrameKind::Message: {
                ReceivedMessage m;
                if (decodeMessage(frame.payload, m, error)) {
                    (void)carriesWhatItNeeds(m.event, m.data.get());
                    std::string again;
                    if (!encodeMessage(m.event, m.data.get(), again, error)) std::abort();
                    ReceivedMessage back;
                    if (!decodeMessage(again, back, error) || back.event.word() != m.event.word())
                        std::abort();
                } else if (printable(error) != error) {
                    std::abort();
                }
                break;
            }
            case FrameKind::KeepAlive:
            case FrameKind::Leaving:
                // Empty by definition: the link judges their payload, the relay never sees them.
                break;
            }
        }
        if (pass == 0) reader.feed(reinterpret_cast<const char*>(data) + half, size - half);
    }
    // Names read from outside bytes never fill the registry.
    if (RegisteredMessage::registryCount() != namesBefore) std::abort();
    return 0;
}
