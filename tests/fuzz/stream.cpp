// Reads arbitrary bytes as every value kind of the byte stream and as boxes by type name. Whatever the
// bytes, reading must end cleanly; and whatever was read whole must write back and read again to the
// same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "framework/core/command_records.h"
#include "framework/core/direction.h"
#include "framework/core/message_box.h"
#include "framework/core/registered_message.h"
#include "framework/core/super_string.h"
#include "framework/core/type_info.h"

namespace {

using namespace vael;

enum class Kind : std::int32_t { A = 1 };

void registerTypes() {
    TypeInfo<char> c;
    TypeInfo<short> s;
    TypeInfo<unsigned short> us;
    TypeInfo<int> i;
    TypeInfo<long> l;
    TypeInfo<unsigned long> ul;
    TypeInfo<long long> ll;
    TypeInfo<double> d;
    TypeInfo<std::string> str;
    TypeInfo<SuperString> ss;
    TypeInfo<BusMessage> bm;
    TypeInfo<DIRECTION> dir;
    TypeInfo<LogicalCommandInfo> lci;
    TypeInfo<SetTextData> std_;
    TypeInfo<List<short>> ls;
    TypeInfo<List<std::string>> lstr;
    TypeInfo<List<LogicalCommandInfo>> llci;
}

void check(bool condition) {
    if (!condition) std::abort();
}

// A box read whole writes back to bytes that read again to the same box.
void roundTrip(const ContainerBase* box) {
    SuperString first;
    first << box;
    check(!first.failed());
    ContainerBase* again = nullptr;
    first >> again;
    check(!first.failed());
    check(first.readPosition() == first.length());
    SuperString second;
    second << again;
    check(second.str() == first.str());
    delete again;
}

template <class T> void readValue(SuperString& s) {
    T value{};
    s >> value;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool ready = [] {
        setMessageBox([](const std::string&, const std::string&, std::uint32_t) { return 0; });
        registerTypes();
        return true;
    }();
    (void)ready;
    // Names read from event words are registered as messages: each input starts from an empty registry,
    // so that no input changes what the next one reads. The records stay valid: they look their ids up by
    // name.
    RegisteredMessage::clearRegistry();

    // A count of 0 would mean "up to a terminating zero", which raw bytes do not have.
    if (size == 0) return 0;
    SuperString s;
    s.write(data, static_cast<std::int32_t>(size));
    int steps = 0;
    while (!s.failed() && s.remaining() > 0 && ++steps < 4096) {
        unsigned char kind = 0;
        s >> kind;
        switch (kind % 22) {
        case 0:
            readValue<char>(s);
            break;
        case 1:
            readValue<unsigned char>(s);
            break;
        case 2:
            readValue<short>(s);
            break;
        case 3:
            readValue<unsigned short>(s);
            break;
        case 4:
            readValue<int>(s);
            break;
        case 5:
            readValue<unsigned int>(s);
            break;
        case 6:
            readValue<long>(s);
            break;
        case 7:
            readValue<unsigned long>(s);
            break;
        case 8:
            readValue<long long>(s);
            break;
        case 9:
            readValue<double>(s);
            break;
        case 10:
            readValue<std::string>(s);
            break;
        case 11:
            readValue<SuperString>(s);
            break;
        case 12:
            readValue<BusMessage>(s);
            break;
        case 13: {
            BusMessage event;
            readEventByName(s, event);
            break;
        }
        case 14:
            readValue<DIRECTION>(s);
            break;
        case 15:
            readValue<Kind>(s);
            break;
        case 16: {
            ContainerBase* box = nullptr;
            s >> box;
            check(box == nullptr || !s.failed());
            if (box) roundTrip(box);
            delete box;
            break;
        }
        case 17:
            readValue<List<short>>(s);
            break;
        case 18:
            readValue<List<LogicalCommandInfo>>(s);
            break;
        case 19:
            readValue<LogicalCommandInfo>(s);
            break;
        case 20:
            readValue<SetTextData>(s);
            break;
        default: {
            // The same bytes as a receive buffer: searched and consumed line by line.
            SuperString buffer(SuperString::ReceiveBufferCap);
            buffer.write(data, static_cast<std::int32_t>(size));
            buffer.find("CONNECT");
            buffer.find('\r');
            std::string line;
            while (buffer.extract(line, '\n') >= 0) {
            }
            s.setReadPosition(s.length());
            break;
        }
        }
    }
    return 0;
}
