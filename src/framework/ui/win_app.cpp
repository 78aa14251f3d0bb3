#include "framework/ui/win_app.h"

#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <vector>

#include "framework/core/assertion.h"
#include "framework/core/debug_stream.h"
#include "framework/core/file_lookup.h"
#include "framework/core/read_file.h"
#include "framework/ui/file_open_dialog.h"
#include "framework/ui/main_window.h"
#include "framework/ui/map_file.h"
#include "framework/ui/menu_tracker.h"
#include "framework/ui/text_wrap.h"

namespace vael {

WindowHandle WinApp::mainWindow_ = 0;
WinApp::PaletteMaker WinApp::paletteMaker_ = nullptr;
WinApp::PaletteDestroyer WinApp::paletteDestroyer_ = nullptr;

namespace {

using platform::EventKind;

// The largest map file a 16-bit count can describe; anything longer is refused unread.
constexpr std::uint64_t LargestMapFile = 2 + std::streamoff(MapFile::RecordSize) * 32767;

// Appends one Char message per character of UTF-8 text; a byte that starts no character stands for U+FFFD.
void appendCharacters(const platform::Event& event, WindowHandle window, std::deque<WindowMessage>& into) {
    const std::string& text = event.text;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const int length = lead < 0x80         ? 1
                           : (lead >> 5) == 6  ? 2
                           : (lead >> 4) == 14 ? 3
                           : (lead >> 3) == 30 ? 4
                                               : 0;
        std::uint32_t code = length == 1 ? lead : length ? (lead & (0x7F >> length)) : 0xFFFD;
        bool whole = length > 0 && i + length <= text.size();
        for (int k = 1; whole && k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            whole = (next >> 6) == 2;
            code = code << 6 | (next & 0x3F);
        }
        if (!whole) code = 0xFFFD;
        into.push_back({window, MessageChar, code, 0, event.time});
        i += whole ? static_cast<std::size_t>(length) : 1;
    }
}

platform::MessageButtons buttonsOf(std::uint16_t style) {
    switch (style & 0xF) {
    case 1:
        return platform::MessageButtons::OkCancel;
    case 2:
        return platform::MessageButtons::AbortRetryIgnore;
    case 3:
        return platform::MessageButtons::YesNoCancel;
    case 4:
        return platform::MessageButtons::YesNo;
    case 5:
        return platform::MessageButtons::RetryCancel;
    default:
        return platform::MessageButtons::Ok;
    }
}

platform::MessageIcon iconOf(std::uint16_t style) {
    switch (style & 0xF0) {
    case 0x10:
        return platform::MessageIcon::Stop;
    case 0x20:
        return platform::MessageIcon::Question;
    case 0x30:
        return platform::MessageIcon::Exclamation;
    case 0x40:
        return platform::MessageIcon::Information;
    default:
        return platform::MessageIcon::None;
    }
}

} // namespace

void WinApp::setPaletteMaker(PaletteMaker make, PaletteDestroyer destroy) {
    paletteMaker_ = make;
    paletteDestroyer_ = destroy;
}

WinApp::WinApp(const std::string& appName, const std::string& vendorName, const std::string& mapFileName,
               platform::Platform& platform, const std::string& unchosenDataPath)
    : platform_(platform), appName_(appName), vendorName_(vendorName.empty() ? "Tamblor" : vendorName),
      mapFileName_(mapFileName.empty() ? "oiffile.map" : mapFileName) {
    const platform::Settings& settings = platform_.settings();
    dataPath_ = settings.readText(platform::Settings::Root::Machine, settingsKey(), "Path").value_or("");
    if (dataPath_.empty()) dataPath_ = unchosenDataPath;
    const std::string paletteFile =
        settings.readText(platform::Settings::Root::Machine, settingsKey(), "Palette").value_or("");
    if (paletteMaker_) setPalette(paletteMaker_(paletteFile), paletteDestroyer_);
    accelerators_ = AcceleratorTable::load("Main");
    waitCursor_ = waitCursor();
    strings_ = StringTable::builtIn();
}

WinApp::~WinApp() {
    if (systemTimerId_) stopTimer();
    mainWindow_ = 0;
}

std::string WinApp::settingsKey() const {
    return "SOFTWARE\\" + vendorName_ + "\\" + appName_;
}

// Archives and data files.

void WinApp::findInMapFile(OIFBase* library) {
    const std::string path = dataPath_ + "/" + mapFileName_;
    MapFile map;
    const auto found = findFileNoCase(dataPath_, mapFileName_);
    std::vector<std::uint8_t> bytes;
    std::string error;
    std::filesystem::path other;
    if (const std::string problem = found ? std::string() : notAFile(dataPath_, mapFileName_, &other);
        !problem.empty()) {
        // A FIFO or a folder in its place is told as what it is: the file is not missing.
        Assertion::fail("The map file " + other.string() + " " + problem, "win_app.cpp", __LINE__);
    } else if (!found) {
        Assertion::fail("Can't find " + path, "win_app.cpp", __LINE__);
    } else if (!readFileBytes(found->string(), bytes, error, LargestMapFile) ||
               !map.read(bytes.data(), bytes.size())) {
        Assertion::fail("The map file " + path +
                            " is damaged: " + (map.error().empty() ? error : map.error()),
                        "win_app.cpp", __LINE__);
    }
    if (const MapFileRecord* record = map.find(library->name())) {
        openDataFile(record->dataFile, library);
        return;
    }
    // An archive the map file does not list is simply not there: the caller goes on without its pictures.
    debugStream() << library->name() << " does not exist in the map file." << std::endl;
}

void WinApp::openDataFile(const std::string& fileName, OIFBase* object) {
    const auto found = findFileNoCase(dataPath_, fileName);
    std::ifstream file;
    // An archive is read through a stream a piece at a time: only a regular file is opened, so that a
    // FIFO in its place cannot hold the program.
    std::error_code notRegular;
    if (found && std::filesystem::is_regular_file(*found, notRegular)) file.open(*found, std::ios::binary);
    if (!file.is_open()) {
        // Something that is no file in the archive's place is told as what it is, not as missing.
        std::filesystem::path other;
        const std::string problem = notAFile(dataPath_, fileName, &other);
        Assertion::fail(problem.empty() ? "Can't find " + dataPath_ + "/" + fileName
                                        : "The archive " + other.string() + " " + problem,
                        "win_app.cpp", __LINE__);
        return;
    }
    object->readFile(found->string(), file);
}

// The system timer.

std::uint16_t WinApp::startTimer(std::uint16_t period) {
    platformTimer_ = platform_.startTimer(period);
    // The application keeps a 16-bit id; the platform's may be wider, and 0 must stay "none".
    systemTimerId_ = platformTimer_ ? static_cast<std::uint16_t>((platformTimer_ - 1) % 0xFFFF + 1) : 0;
    return systemTimerId_;
}

std::int32_t WinApp::stopTimer() {
    const bool stopped = platformTimer_ && platform_.stopTimer(platformTimer_);
    platformTimer_ = 0;
    systemTimerId_ = 0;
    return stopped ? 1 : 0;
}

void WinApp::timerProc(WindowHandle, std::uint32_t, std::uintptr_t, std::uint32_t time) {
    static bool ticking = false;
    Application* app = Application::instance();
    // A tick that comes through a loop nested in a handler is dropped, unless that loop is a box's that
    // holds the game (the turn's overview the end of a turn opens): under it the program goes on as under
    // a box opened from the menu, the water moving, and only the handlers still running miss their ticks.
    const auto* windows = dynamic_cast<const WinApp*>(app);
    if (ticking && !(windows && windows->modalDepth() > 0)) return;
    const bool was = ticking;
    ticking = true;
    // Put back also when a handler's failed check is answered with abort: a flag left set would drop every
    // later tick.
    struct Clear {
        bool was;
        ~Clear() { ticking = was; }
    } clear{was};
    if (app) app->tickTimers(time);
}

// The message loop.

bool WinApp::menusOpen() const {
    const auto* frame = dynamic_cast<const WindowsMainWindow*>(getMainWindow());
    if (!frame) return false;
    const MenuTracker* bar = frame->menuTracker();
    return frame->popupOpen() || (bar && bar->isOpen());
}

void WinApp::translateEvent(const platform::Event& event, std::deque<WindowMessage>& into) {
    const WindowHandle main = mainWindow_;
    const std::uint32_t time = event.time;
    const auto point = packPoint(event.x, event.y);
    switch (event.kind) {
    case EventKind::MouseMove:
        // A box the program opens before its loop runs (the start dialog) is shown beside the tool bar,
        // whose tips come when the pointer rests: the rest is timed from the pointer's first move.
        timeHover();
        into.push_back({main, MessageMouseMove, event.modifiers, point, time});
        break;
    case EventKind::Wheel:
        into.push_back({main, MessageMouseWheel, std::uintptr_t(std::intptr_t(event.wheel)), point, time});
        break;
    case EventKind::ButtonDown:
    case EventKind::ButtonUp:
    case EventKind::DoubleClick: {
        const std::uint32_t id = event.kind == EventKind::ButtonDown ? MessageButtonDown
                                 : event.kind == EventKind::ButtonUp ? MessageButtonUp
                                                                     : MessageDoubleClick;
        into.push_back(
            {main, id, std::uintptr_t(event.button) | std::uintptr_t(event.modifiers) << 8, point, time});
        break;
    }
    case EventKind::KeyDown:
    case EventKind::KeyUp:
        // The left Alt and a key is a system key: its letter, which comes between its press and its
        // release, chooses (a menu, a button) and is not typed. The right Alt (AltGr) and Ctrl and Alt
        // together are the keys that type a layout's third letter, which is typed.
        // A key pressed while a menu is open is the menu's too: its letter chooses an entry, and the box
        // that entry opens must not find it typed either.
        systemKeyText_ = event.kind == EventKind::KeyDown &&
                         ((event.modifiers & (platform::ModAlt | platform::ModControl)) == platform::ModAlt ||
                          menusOpen());
        into.push_back({main, event.kind == EventKind::KeyDown ? MessageKeyDown : MessageKeyUp,
                        std::uintptr_t(std::uint32_t(event.key)), event.modifiers, time});
        break;
    case EventKind::Text:
        // The letter of a system key comes after it: the box that key opened must not find it typed.
        if (systemKeyText_) {
            systemKeyText_ = false;
            break;
        }
        appendCharacters(event, main, into);
        break;
    case EventKind::CloseRequest:
        into.push_back({main, MessageClose, 0, 0, time});
        break;
    case EventKind::Quit:
        into.push_back({0, MessageQuit, 0, 0, time});
        break;
    case EventKind::Expose:
        into.push_back({main, MessagePaint, 0, 0, time});
        break;
    case EventKind::Resize:
        into.push_back({main, MessageSize, 0, point, time});
        break;
    case EventKind::TimerTick:
        into.push_back({0, MessageTimer, event.timer, std::intptr_t(event.time), time});
        break;
    case EventKind::Posted:
        into.push_back(
            {event.posted.window, event.posted.message, event.posted.wParam, event.posted.lParam, time});
        break;
    case EventKind::Minimized:
    case EventKind::Restored:
        into.push_back({main, MessageIconic, event.kind == EventKind::Minimized ? 1u : 0u, 0, time});
        break;
    case EventKind::SocketReady:
        into.push_back({0, MessageSocket, std::uintptr_t(std::uint32_t(event.socket)),
                        std::intptr_t(event.readiness), time});
        break;
    }
}

bool WinApp::heldWorkWent() {
    if (lookingForEvents() && translated_.empty()) translated_.push_back({0, MessageNull, 0, 0, tickCount()});
    return !translated_.empty();
}

bool WinApp::nextMessage(WindowMessage& message, bool wait) {
    platform::Event event;
    while (translated_.empty()) {
        if (heldWorkWent()) break;
        if (!(wait ? platform_.waitEvent(event) : platform_.pollEvent(event))) return false;
        translateEvent(event, translated_);
    }
    message = translated_.front();
    translated_.pop_front();
    return true;
}

std::int16_t WinApp::messageWaiting() {
    return !translated_.empty() || platform_.eventWaiting();
}

std::int16_t WinApp::waitMessage() {
    platform::Event event;
    while (translated_.empty()) {
        if (heldWorkWent()) break;
        if (!platform_.waitEvent(event)) return 0;
        translateEvent(event, translated_);
    }
    return 1;
}

bool WinApp::translateAccelerator(const WindowMessage& message) {
    if (message.message != MessageKeyDown || !mainWindow_ || modalDepth_ > 0) return false;
    const auto command = accelerators_->find(static_cast<std::int32_t>(message.wParam),
                                             static_cast<std::uint16_t>(message.lParam));
    if (!command) return false;
    sendMessage({mainWindow_, MessageCommand, std::uintptr_t(*command) | 1u << 16, 0, message.time});
    return true;
}

bool WinApp::offerToDialogs(const WindowMessage& message) {
    // A dialog may close (and leave the list) while it looks at the message.
    const List<WindowHandle> dialogs = modelessDialogs_;
    Item<WindowHandle>* it = nullptr;
    // The mouse goes to the dialog opened last first: a modal one takes every click, inside it or not, so
    // one opened under it must never see the click first and swallow it.
    const bool mouse = message.message == MessageMouseMove || message.message == MessageButtonDown ||
                       message.message == MessageButtonUp || message.message == MessageDoubleClick ||
                       message.message == MessageMouseWheel;
    if (mouse) {
        for (dialogs.lastItem(it); it; it = it->prev) {
            const auto target = windows_.find(it->value);
            if (target != windows_.end() && target->second->takeDialogMessage(message)) return true;
        }
        return false;
    }
    for (dialogs.firstItem(it); it; it = it->next) {
        const auto target = windows_.find(it->value);
        if (target != windows_.end() && target->second->takeDialogMessage(message)) return true;
    }
    return false;
}

void WinApp::dispatch(const WindowMessage& message) {
    // Keyboard text arrives as characters already, so there is nothing to translate.
    if (message.message == MessageTimer && message.window == 0) {
        // Only the system timer's ticks: a tick of a timer stopped since it was queued is dropped.
        if (platformTimer_ && message.wParam == platformTimer_) {
            timerProc_(0, MessageTimer, systemTimerId_, static_cast<std::uint32_t>(message.lParam));
            return;
        }
        // A timer with a handler of its own (a link's keep-alive) ticks outside the system timer's
        // callbacks, so that it goes on while one of them runs a loop of its own.
        platform::Event tick;
        tick.kind = EventKind::TimerTick;
        tick.timer = static_cast<std::uint32_t>(message.wParam);
        tick.time = static_cast<std::uint32_t>(message.lParam);
        platform_.serviceTimer(tick);
        return;
    }
    if (message.message == MessageSocket && message.window == 0) {
        platform::Event ready;
        ready.kind = EventKind::SocketReady;
        ready.socket = static_cast<std::int32_t>(message.wParam);
        ready.readiness = static_cast<std::uint8_t>(message.lParam);
        platform_.serviceSocket(ready);
        return;
    }
    sendMessage(message);
}

std::intptr_t WinApp::sendMessage(const WindowMessage& message) {
    const auto target = windows_.find(message.window);
    return target == windows_.end() ? 0 : target->second->handleMessage(message);
}

void WinApp::timeHover() {
    if (hoverTimed_) return;
    hoverTimed_ = true;
    addTimer(&Application::hoverTimer, 2, 0);
}

std::int16_t WinApp::run() {
    timeHover();
    WindowMessage message;
    while (nextMessage(message, true) && message.message != MessageQuit) {
        if (!running_) break; // the message that found the flag cleared is not handled
        if (accelerators_ && translateAccelerator(message)) continue;
        if (!modelessDialogs_.isEmpty() && offerToDialogs(message)) continue;
        dispatch(message);
    }
    return 1;
}

std::int16_t WinApp::pumpMessage() {
    WindowMessage message;
    if (!nextMessage(message, false)) return 1;
    if (accelerators_ && translateAccelerator(message)) return 1;
    if (!modelessDialogs_.isEmpty() && offerToDialogs(message)) return 1;
    const bool closesMain = (message.message == MessageClose ||
                             (message.message == MessageSysCommand && message.wParam == SysCommandClose)) &&
                            message.window == mainWindow_;
    // The player is asked here, over whatever box the operation holds open: kept running, the program keeps
    // the box too, rather than have it closed under him as if he had answered it.
    if (closesMain)
        if (auto* frame = dynamic_cast<WindowsMainWindow*>(getMainWindow()); frame && !frame->agreeToClose())
            return 1;
    if (closesMain || message.message == MessageQuit) {
        // Handled by the outer loop once the long operation has unwound.
        postMessage(message.window, message.message, message.wParam, message.lParam);
        return 0;
    }
    dispatch(message);
    return 1;
}

WindowHandle WinApp::addWindow(MessageTarget* target) {
    while (nextWindow_ == 0 || windows_.count(nextWindow_))
        ++nextWindow_;
    windows_[nextWindow_] = target;
    return nextWindow_++;
}

void WinApp::removeWindow(WindowHandle window) {
    windows_.erase(window);
    modelessDialogs_.remove(window);
    if (mainWindow_ == window) mainWindow_ = 0;
}

void WinApp::postMessage(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                         std::intptr_t lParam) {
    platform::Event event;
    event.kind = EventKind::Posted;
    event.posted = {window, message, wParam, lParam};
    platform_.postEvent(event);
}

// The rest of the system.

CursorHandle WinApp::arrowCursor() {
    static platform::Cursor arrow = platform::Cursor::Arrow;
    return &arrow;
}

CursorHandle WinApp::waitCursor() {
    static platform::Cursor wait = platform::Cursor::Wait;
    return &wait;
}

namespace {
// Handles stay valid for the whole run: a window may keep one after the picture was replaced.
std::map<std::string, std::unique_ptr<platform::CursorImage>>& drawnCursors() {
    static std::map<std::string, std::unique_ptr<platform::CursorImage>> cursors;
    return cursors;
}

std::string cursorKey(const std::string& name) {
    std::string key = name;
    for (char& c : key)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return key;
}

const platform::CursorImage* drawnCursorOf(CursorHandle handle) {
    for (const auto& [key, image] : drawnCursors())
        if (image.get() == handle) return image.get();
    return nullptr;
}
} // namespace

bool WinApp::addCursor(const platform::CursorImage& image) {
    if (!image.valid() || image.name.empty()) return false;
    auto& slot = drawnCursors()[cursorKey(image.name)];
    if (slot)
        *slot = image;
    else
        slot = std::make_unique<platform::CursorImage>(image);
    return true;
}

CursorHandle WinApp::namedCursor(const std::string& name) {
    const auto found = drawnCursors().find(cursorKey(name));
    return found == drawnCursors().end() ? nullptr : found->second.get();
}

CursorHandle WinApp::setCursor(CursorHandle cursor) {
    const CursorHandle previous = cursor_;
    cursor_ = cursor;
    if (const platform::CursorImage* drawn = drawnCursorOf(cursor))
        platform_.setCursorImage(*drawn);
    else
        platform_.setCursor(cursor == waitCursor() ? platform::Cursor::Wait : platform::Cursor::Arrow);
    return previous;
}

std::int32_t WinApp::openFileDialog(std::string& fileName, const std::string& description,
                                    const std::string& pattern) {
    if (auto chosen = platform_.chooseFile(description, pattern)) {
        fileName = std::move(*chosen);
        return 1;
    }
    // A platform without a choice of its own gets ours, on the program's window.
    if (!platform_.windowOpen()) return 0;
    FileOpenDialog dialog(description, pattern, fileName);
    if (dialog.create(FileOpenDialog::ResourceName, Dialog::Modal) != 1) return 0;
    fileName = dialog.path();
    return 1;
}

std::int32_t WinApp::messageBox(const std::string& text, const std::string& title, std::uint16_t style) {
    const std::vector<std::string> wrapped = wrapText(text, PlatformBoxColumns, characterCount);
    std::string rows;
    for (std::size_t i = 0; i < wrapped.size(); ++i)
        rows += (i ? "\n" : "") + wrapped[i];
    return static_cast<std::int32_t>(platform_.messageBox(rows, title, buttonsOf(style), iconOf(style)));
}

std::uint32_t WinApp::tickCount() {
    return platform_.tickCount();
}

void WinApp::beep() {
    platform_.beep();
}

void WinApp::setStatusText(const std::string& text, std::int16_t pane) {
    if (auto* main = dynamic_cast<MainWindow*>(getMainWindow())) main->setStatusText(text, pane);
}

std::string WinApp::loadString(std::uint16_t id) {
    return strings_.find(id).value_or(std::string()).substr(0, 255);
}

std::int16_t WinApp::openClipboard(Display*) {
    if (clipboardOpen_) return 0;
    clipboardOpen_ = true;
    return 1;
}

void WinApp::emptyClipboard() {
    if (clipboardOpen_) platform_.setClipboardText(std::string());
}

std::int16_t WinApp::setClipboardText(const std::string& text) {
    return clipboardOpen_ && platform_.setClipboardText(text);
}

void WinApp::closeClipboard() {
    clipboardOpen_ = false;
}

} // namespace vael
