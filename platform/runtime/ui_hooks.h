#pragma once
// UiHooks: the one door through which the program's code shows message boxes, beeps, writes lines to
// the system's event log and lets pending window messages run. Code anywhere (the cipher between blocks,
// the tray class on an internal error, a window asking for confirmation) calls vellumo::ui(); the
// program installs the desktop implementation at start-up, and tests install a scripted one so that
// no test ever blocks on a modal box.
//
// Message-box styles and answers keep the classic numeric values, because the windows pass them as
// numbers (4132 = Yes/No + question + system-modal):
//
//   buttons  0 OK, 1 OK/Cancel, 2 Abort/Retry/Ignore, 3 Yes/No/Cancel, 4 Yes/No, 5 Retry/Cancel
//   icons    16 critical stop, 32 question, 48 exclamation, 64 information
//   default  0 first, 256 second, 512 third button;  4096 system-modal
//   answers  1 OK, 2 Cancel, 3 Abort, 4 Retry, 5 Ignore, 6 Yes, 7 No

#include <QString>

namespace vellumo {

namespace mb {
inline constexpr int OkOnly = 0, OkCancel = 1, AbortRetryIgnore = 2, YesNoCancel = 3, YesNo = 4, RetryCancel = 5;
inline constexpr int Critical = 16, Question = 32, Exclamation = 48, Information = 64;
inline constexpr int DefaultButton2 = 256, DefaultButton3 = 512, SystemModal = 4096;
inline constexpr int ButtonsMask = 7, IconMask = 112, DefaultMask = 768;
inline constexpr int Ok = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7;
} // namespace mb

enum class EventLogType { Error = 1, Warning = 2, Information = 4 };

class UiHooks {
public:
    virtual ~UiHooks() = default;
    // Shows a modal box and returns the answer (mb::Ok, mb::Yes, ...).
    virtual int messageBox(const QString& prompt, int style, const QString& title) = 0;
    // The desktop's warning sound.
    virtual void beep() = 0;
    // Appends one entry to the system's application event log.
    virtual void logEvent(EventLogType type, const QString& source, const QString& text) = 0;
    // Lets pending window messages, timers and socket notifications run, then returns.
    virtual void doEvents() = 0;
};

// Without a display: boxes go to standard error and take the answer that loses nothing (No, Cancel,
// OK), a beep makes no sound, the event log is syslog, and doEvents runs the Qt event loop once.
class ConsoleUiHooks : public UiHooks {
public:
    int messageBox(const QString& prompt, int style, const QString& title) override;
    void beep() override {}
    void logEvent(EventLogType type, const QString& source, const QString& text) override;
    void doEvents() override;
    // The answer a box of this style gets when nobody can click.
    static int safeAnswer(int style);
};

// The hooks in force; ConsoleUiHooks until someone installs others.
UiHooks& ui();
// Installs hooks for the rest of the process (nullptr goes back to the console ones). The caller
// keeps ownership and must outlive its installation.
void setUiHooks(UiHooks* hooks);

// Installs hooks for the lifetime of this object and puts the previous ones back afterwards.
class ScopedUiHooks {
public:
    explicit ScopedUiHooks(UiHooks& hooks);
    ~ScopedUiHooks();
    ScopedUiHooks(const ScopedUiHooks&) = delete;
    ScopedUiHooks& operator=(const ScopedUiHooks&) = delete;

private:
    UiHooks* previous_;
};

} // namespace vellumo
