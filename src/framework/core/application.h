#pragma once
// The root of the bus tree and the owner of the one task queue through which every asynchronous send and
// query is delivered. There is one instance; it also keeps the application-wide services that have no
// better home: the CAN_TERMINATE handlers, the sixteen timer slots, the shared image archives, the
// display under the mouse, the busy state, the main window, the palette and the data directory.
//
// What needs the platform (message pumping, the system timer, the tick count, the cursor, message boxes,
// the string table, the status bar, the clipboard) stays abstract here; the windows application fills it.
#include <cstdint>
#include <memory>
#include <string>

#include "framework/core/asynchronous_bus.h"
#include "framework/core/cb_task.h"
#include "framework/core/geometry.h"
#include "framework/core/message_box.h"
#include "framework/core/oif_base.h"
#include "framework/core/task_queue.h"
#include "framework/core/timer_callback.h"

namespace vael {

class Display;
class LogicalPalette;

using CursorHandle = void*;

// The button a message box was closed with.
enum MessageBoxAnswer : std::int32_t {
    AnswerOk = 1,
    AnswerCancel = 2,
    AnswerAbort = 3,
    AnswerRetry = 4,
    AnswerIgnore = 5,
    AnswerYes = 6,
    AnswerNo = 7,
};

// Mouse events the application routes to displays.
enum MouseEventKind : std::int16_t { MouseHover = 4, MouseEnter = 5, MouseLeave = 6 };

class Application : public AsynchronousBus {
public:
    static constexpr int TimerSlots = 16;

    Application();
    ~Application() override;

    // The one application object; null while there is none.
    static Application* instance() { return current_; }

    // The task queue.
    void post(Component* sender, BusMessage event, ContainerBase* data, const List<ReceiveAllCallback>& hooks,
              const List<Callback>& handlers, Bus* bus);
    ContainerBase* query(Component* sender, BusMessage event, ContainerBase* data,
                         const List<ReceiveAllCallback>& hooks, const List<Callback>& handlers, Bus* bus);
    void drainQueue();
    void dispatchOne();
    using AsynchronousBus::query;

    // The platform side (filled by the windows application and by test applications).
    virtual void findInMapFile(OIFBase* library) = 0;
    virtual void findDataFile(OIFBase* library, const std::uint8_t*& cursor, const std::uint8_t* end) = 0;
    virtual std::uint16_t startTimer(std::uint16_t period) = 0;
    virtual std::int32_t stopTimer() = 0;
    virtual CursorHandle setCursor(CursorHandle cursor) = 0;
    virtual std::int16_t run() = 0;
    // 1 when every CAN_TERMINATE handler agrees that the program may end.
    virtual std::int16_t canTerminate();
    virtual void stop() { running_ = 0; }
    virtual std::int16_t messageWaiting() = 0;
    // Runs one queued task, if there is one.
    virtual void runOneTask() { dispatchOne(); }
    // One step of a nested message pump; 0 when the program has been asked to close.
    virtual std::int16_t pumpMessage() = 0;
    virtual std::int16_t dibOrientation() = 0;
    // The data directory; the kind is not used.
    virtual std::string& dataPath(std::int16_t kind = 0);
    virtual std::int32_t openFileDialog(std::string& fileName, const std::string& description,
                                        const std::string& pattern) = 0;
    // The style flags are those of message_box.h.
    virtual std::int32_t messageBox(const std::string& text, const std::string& title,
                                    std::uint16_t style) = 0;
    virtual std::uint32_t tickCount() = 0;
    virtual void beep() = 0;
    virtual void setStatusText(const std::string& text, std::int16_t pane) = 0;
    // The notice that holds a status line while it stands (what the program waits for), empty while none
    // does: the hex under the pointer gives way to it there.
    virtual std::string statusNotice(std::int16_t /*pane*/) const { return {}; }
    virtual std::string loadString(std::uint16_t id) = 0;
    // Hands a mouse event with the point to a display (through the display's own routing).
    virtual void routeMouseEvent(Display* display, std::int16_t kind, const Point& point) = 0;
    // The system clipboard, as the text-line buffer uses it.
    virtual std::int16_t openClipboard(Display* owner) = 0;
    virtual void emptyClipboard() = 0;
    virtual std::int16_t setClipboardText(const std::string& text) = 0;
    virtual void closeClipboard() = 0;

    // CAN_TERMINATE handlers (connecting event 60 on any bus lands here).
    void addTerminateHandler(const Callback& callback);
    void removeTerminateHandler(const Callback& callback);
    void removeTerminateHandlersOf(Component* component);
    const List<Callback>& terminateHandlers() const { return terminateHandlers_; }

    // What the application still holds of a component that is going away: its queued tasks, its
    // CAN_TERMINATE handlers and its timer slots.
    void forgetComponent(Component* component);

    // Timers.
    void addTimer(const Callback& callback, std::uint16_t rate, std::uint16_t state);
    void killTimer(const Callback& callback);
    void pauseTimer(const Callback& callback);
    void resumeTimer(const Callback& callback);
    void tickTimers(std::uint32_t time);
    const TimerCallback& timer(int slot) const { return timers_[slot]; }
    // The slot of the callback's timer, -1 when none is set; a saved game's display keeps its timers'
    // order and what each had gathered towards its next call, and puts them back so.
    int timerSlot(const Callback& callback) const;
    void setTimerElapsed(const Callback& callback, std::uint16_t elapsed);
    // The slot whose handler tickTimers is running (-1 outside it): the slots after it have not yet
    // counted the tick under way. A game saved inside a tick says so of its timers, and the loaded game
    // counts it for them (tickTimersAfter) before anything else.
    int tickingSlot() const { return tickingSlot_; }
    std::uint32_t tickingTime() const { return tickingTime_; }
    // The rest of a tick: the running slots after the one given, as tickTimers would have ticked them
    // (a slot taken meanwhile among them).
    void tickTimersAfter(int slot, std::uint32_t time);
    std::uint16_t systemTimerId() const { return systemTimerId_; }
    using Component::addTimer;
    using Component::killTimer;
    using Component::pauseTimer;
    using Component::resumeTimer;

    // Busy state.
    void beginWait();
    void endWait() { busy_ = 0; }
    std::int16_t notWaiting() const { return busy_ == 0; }

    void setMainWindow(Display* window) { mainWindow_ = window; }
    Display* getMainWindow() const { return mainWindow_; }
    // The palette is the application's; it is destroyed with the given function.
    void setPalette(LogicalPalette* palette, void (*destroy)(LogicalPalette*));
    LogicalPalette* getPalette() const { return palette_; }
    std::int16_t isRunning() const { return running_; }

    // Image archives: one loaded copy per name, shared by every archive object of that name.
    void loadImageLibrary(OIFBase& library);
    void loadImageLibraryFromIndex(OIFBase& library, const std::uint8_t*& cursor, const std::uint8_t* end);
    void releaseImageLibrary(OIFBase& library);
    // The use count of the loaded copy of that name; 0 when none is loaded.
    std::int16_t imageLibraryCount(const std::string& name) const;

    // Mouse hover.
    void setDisplayUnderMouse(Display* display, const Point& point, std::int16_t delay);
    void forgetDisplayUnderMouse(Display* display);
    Display* displayUnderMouse() const { return displayUnderMouse_; }
    static ContainerBase* hoverTimer(Component* target, BusMessage event, ContainerBase* data);
    void hoverTick();

    std::int16_t dispatchDepth() const { return dispatchDepth_; }
    // The serial number of the latest query (0 before the first).
    static std::uint32_t lastQuerySerial();
    std::int32_t queuedTasks() const { return taskQueue_.count(); }
    // Each queued task, first to last, to look at: the visitor queues and runs nothing.
    template <class Visit> void forEachQueuedTask(Visit visit) const { taskQueue_.forEach(visit); }

protected:
    std::int16_t running_ = 1;
    std::int16_t busy_ = 0;
    CursorHandle waitCursor_ = nullptr;
    std::uint16_t systemTimerId_ = 0;
    std::string dataPath_;
    // The message registry is emptied with the application, so that no name outlives it; a test
    // application that comes and goes many times in one process may keep it.
    bool clearRegistryOnDestruction_ = true;

private:
    // Queues one task that takes over ownedData; answers the task in its queue slot.
    CBtask& enqueue(Component* origin, const Callback& callback, BusMessage event, ContainerBase* ownedData,
                    std::uint32_t serial, std::uint32_t kind);
    // Queues the tasks of the hooks of one dispatch; answers the last one (null when none was queued).
    CBtask* enqueueHooks(Component* sender, BusMessage event, ContainerBase* data,
                         const List<ReceiveAllCallback>& hooks, Bus* bus, std::uint32_t serial,
                         std::uint32_t kind);
    // Queues the tasks of one dispatch; answers the last one (null when none was queued).
    CBtask* enqueueDispatch(Component* sender, BusMessage event, ContainerBase* data,
                            const List<ReceiveAllCallback>& hooks, const List<Callback>& handlers, Bus* bus,
                            std::uint32_t serial, std::uint32_t kind);
    // drainQueue itself.
    void drain();
    // Runs the first task of the queue, which must not be empty (dispatchOne without the peek).
    void runFirstTask();
    // Hands the reply of a query task (known by its origin, event, serial and sequence number) to the query
    // waiting for it, if any.
    void answerQuery(Component* origin, BusMessage event, std::uint32_t serial, std::uint64_t sequence,
                     std::unique_ptr<ContainerBase>& reply);
    OIFCount* findImageLibrary(const std::string& name) const;
    void restartSystemTimer();

    TaskQueue taskQueue_;
    List<CBtask*> pendingQueries_;
    std::int16_t dispatchDepth_ = 0;
    Display* mainWindow_ = nullptr;
    LogicalPalette* palette_ = nullptr;
    void (*destroyPalette_)(LogicalPalette*) = nullptr;
    List<OIFCount*> imageLibraries_;
    List<Callback> terminateHandlers_;
    TimerCallback timers_[TimerSlots];
    int tickingSlot_ = -1;
    std::uint32_t tickingTime_ = 0;
    Display* displayUnderMouse_ = nullptr;
    Point mousePoint_;
    std::int16_t hoverCount_ = 0;
    std::int16_t hoverDelay_ = 0;
    std::uint64_t nextSequence_ = 0;
    // The core's message box before this application put its own in.
    MessageBoxFunction previousMessageBox_;

    static Application* current_;
};

} // namespace vael
