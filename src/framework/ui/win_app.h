#pragma once
// The application object on our platform: the settings that locate the data directory and the palette
// file, the keyboard accelerators "Main", the program's one message loop with the modeless dialogs, the
// one-step pump of long operations, the system timer behind the application's sixteen timer slots, the
// archives found through the map file, data files, the file-open choice, message boxes and the string
// table. The game's application object derives from it; there is one at a time.
//
// The windows of the framework stand behind window handles given out here (addWindow); the frame's window
// is the main window handle, which close requests, input and accelerator commands are addressed to.
#include <deque>
#include <map>
#include <memory>
#include <string>

#include "framework/core/application.h"
#include "framework/core/list.h"
#include "framework/ui/accelerator_table.h"
#include "framework/ui/string_table.h"
#include "framework/ui/window_message.h"
#include "platform/platform.h"

namespace vael {

class WinApp : public Application {
public:
    // The palette seam: how the application palette is made from the file named by the setting "Palette",
    // and destroyed. The display installs it; without one the application has no palette.
    using PaletteMaker = LogicalPalette* (*)(const std::string& fileName);
    using PaletteDestroyer = void (*)(LogicalPalette*);
    static void setPaletteMaker(PaletteMaker make, PaletteDestroyer destroy);
    static PaletteMaker paletteMaker() { return paletteMaker_; }
    static PaletteDestroyer paletteDestroyer() { return paletteDestroyer_; }

    // An empty vendor name stands for "Tamblor", an empty map-file name for "oiffile.map". The data folder
    // is the settings' "Path", else unchosen (the palette, read here, is looked for there).
    WinApp(const std::string& appName, const std::string& vendorName, const std::string& mapFileName,
           platform::Platform& platform, const std::string& unchosenDataPath = {});
    ~WinApp() override;

    void findInMapFile(OIFBase* library) override;
    std::uint16_t startTimer(std::uint16_t period) override;
    std::int32_t stopTimer() override;
    CursorHandle setCursor(CursorHandle cursor) override;
    std::int16_t run() override;
    std::int16_t messageWaiting() override;
    std::int16_t pumpMessage() override;
    // Waits until a message is there; 0 when none ever will be (nothing queued and no timer running).
    std::int16_t waitMessage();
    // Our pictures are stored top row first.
    std::int16_t dibOrientation() override { return -1; }
    // The chosen path replaces fileName; 1 when one was chosen, else 0.
    std::int32_t openFileDialog(std::string& fileName, const std::string& description,
                                const std::string& pattern) override;
    // The system's box lays its text out in the lines it is given, however long: the text goes to it in
    // rows of at most this many characters.
    static constexpr std::int32_t PlatformBoxColumns = 72;
    std::int32_t messageBox(const std::string& text, const std::string& title, std::uint16_t style) override;
    std::uint32_t tickCount() override;
    void beep() override;
    // The frame's status bar takes the text once the frame is the main display; until then it goes nowhere.
    // The pane is the line of the bar's own text, from 1.
    void setStatusText(const std::string& text, std::int16_t pane) override;
    std::string loadString(std::uint16_t id) override;
    std::int16_t openClipboard(Display* owner) override;
    void emptyClipboard() override;
    std::int16_t setClipboardText(const std::string& text) override;
    void closeClipboard() override;
    // Opens the data file of that name in the data directory and has the object read itself from it.
    virtual void openDataFile(const std::string& fileName, OIFBase* object);

    // Translates a keyboard message and dispatches it to its window.
    void dispatch(const WindowMessage& message);
    // The timer procedure of the system timer: ticks the application's timer slots with the time, unless
    // a tick is still being handled (a tick that arrives meanwhile, through a nested pump, is dropped). In
    // a modal box's loop nested so, the other slots tick and only the handlers still running miss theirs.
    static void timerProc(WindowHandle window, std::uint32_t message, std::uintptr_t timer,
                          std::uint32_t time);

    // Windows and the messages between them.
    WindowHandle addWindow(MessageTarget* target);
    void removeWindow(WindowHandle window);
    void postMessage(WindowHandle window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);
    void postQuitMessage() { postMessage(0, MessageQuit, 0, 0); }
    // Hands the message to its window at once; 0 when there is no such window.
    std::intptr_t sendMessage(const WindowMessage& message);
    static WindowHandle mainWindowHandle() { return mainWindow_; }
    // A modal dialog's loop runs between these: the menus' keys must not choose commands under it.
    void enterModal() { ++modalDepth_; }
    void leaveModal() { modalDepth_ = modalDepth_ > 0 ? modalDepth_ - 1 : 0; }
    std::int32_t modalDepth() const { return modalDepth_; }
    static void setMainWindowHandle(WindowHandle window) { mainWindow_ = window; }

    void addModelessDialog(WindowHandle dialog) { modelessDialogs_.append(dialog); }
    void removeModelessDialog(WindowHandle dialog) { modelessDialogs_.remove(dialog); }
    const List<WindowHandle>& modelessDialogs() const { return modelessDialogs_; }

    // The cursors the system has.
    static CursorHandle arrowCursor();
    static CursorHandle waitCursor();
    // The cursors the program draws, known by name without regard to case. Adding a name again replaces
    // its picture and keeps its handle, so windows that hold it show the new one. An invalid picture is
    // not taken.
    static bool addCursor(const platform::CursorImage& image);
    // The handle of a drawn cursor; null for a name never added.
    static CursorHandle namedCursor(const std::string& name);

    platform::Platform& platform() { return platform_; }
    const std::string& appName() const { return appName_; }
    const std::string& vendorName() const { return vendorName_; }
    const std::string& mapFileName() const { return mapFileName_; }
    // The settings key of the program: "SOFTWARE\<vendor>\<application>".
    std::string settingsKey() const;

protected:
    // The messages an event of the platform becomes (text typed becomes one per character).
    virtual void translateEvent(const platform::Event& event, std::deque<WindowMessage>& into);
    // Told each time the program looks to the platform for its next event, as it looks at its sockets:
    // what it held back of them may go on from there. True when something did: the look then ends with an
    // empty message, as a socket's would with its event, rather than waiting on for the next event.
    virtual bool lookingForEvents() { return false; }

private:
    // Takes the next message, waiting for one when asked; false when none is there (or ever will be).
    bool nextMessage(WindowMessage& message, bool wait);
    // Looks for held work (lookingForEvents) before the platform is asked: true when a message is there now.
    bool heldWorkWent();
    bool translateAccelerator(const WindowMessage& message);
    // Whether the frame's menu bar or a pop-up is open, taking the keys.
    bool menusOpen() const;
    // Starts the timer that finds the pointer resting, once.
    void timeHover();
    bool offerToDialogs(const WindowMessage& message);

    platform::Platform& platform_;
    std::string appName_;
    std::string vendorName_;
    std::string mapFileName_;
    List<WindowHandle> modelessDialogs_;
    std::unique_ptr<AcceleratorTable> accelerators_;
    std::int32_t modalDepth_ = 0;
    void (*timerProc_)(WindowHandle, std::uint32_t, std::uintptr_t, std::uint32_t) = &WinApp::timerProc;
    StringTable strings_;
    std::uint32_t platformTimer_ = 0;
    CursorHandle cursor_ = nullptr;
    bool clipboardOpen_ = false;
    std::map<WindowHandle, MessageTarget*> windows_;
    WindowHandle nextWindow_ = 1;
    std::deque<WindowMessage> translated_; // messages of an event taken but not yet handed out
    // The last key pressed was one with Alt, or a menu's: its letter is not typed.
    bool systemKeyText_ = false;
    bool hoverTimed_ = false; // the timer that finds the pointer resting (a tool tip's) runs

    static WindowHandle mainWindow_;
    static PaletteMaker paletteMaker_;
    static PaletteDestroyer paletteDestroyer_;
};

} // namespace vael
