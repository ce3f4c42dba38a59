#pragma once
// cSystray: one icon in the desktop's notification area, with a tooltip and balloon messages, and
// the shell's notifications turned into events of its own. The main window holds the only
// instance for the whole run; the object owns a hidden MessageWindow that receives the shell's
// notifications, routed back into TrayWndProc by its Subclasser, and the balloon timer, whose
// callback address calls BalloonTimerProc.
//
// Invariants: the record's window, identifier, callback message (512) and size are set from the
// first add on; texts in the record are in the code page and cut to their fields (tooltip 127,
// balloon text 255, balloon title 63 bytes); balloons are possible only with a record size of at
// least 89; one balloon timer per object (identifier: icon identifier + 1), which fires once per
// balloon. Events are raised synchronously while the hidden window handles a notification, so a
// handler may destroy the object: nothing of it is touched after that.
//
// Record size by shell version: below 5 gives 88, 5 gives 488, 6 or more 504, unknown (0) leaves 0.

#include "platform/tray/tray_shell.h"
#include "tray/routed_object.h"
#include "tray/subclasser.h"

#include <QIcon>
#include <QString>

#include <memory>

namespace vellumo {

class cSystray : public RoutedObject {
    Q_OBJECT
public:
    static constexpr quint32 CallbackMessage = 512;

    explicit cSystray(TrayShell& shell = trayShell(), QObject* parent = nullptr);
    ~cSystray() override;

    void SetProc(qintptr lProc) { m_lProc = lProc; }
    WindowHandle lhWnd() const;
    qintptr ExtraParam() const { return m_lExtra; }
    void setExtraParam(qintptr lVal) { m_lExtra = lVal; }

    void SysTrayShow(bool bShow);
    bool BalloonShow(bool bShow, qint32 lTimeout = -1, bool bNoSound = false);
    bool IsBalloonCapable() const { return m_lRecordSize >= 89; }
    void BeforePopup();

    void SysTrayIconFromHandle(const QIcon& lIcon);
    bool SysTrayIconFromFile(const QString& sFile);
    bool SysTrayIconFromRes(const QString& sResName);
    bool SysTrayIconFromCompRes(const QString& sResFile, qint32 lIconIndex);

    QString SysTrayToolTip() const { return m_sToolTip; }
    void setSysTrayToolTip(const QString& New_ToolTip);
    qint32 BalloonIcon() const { return m_lBalloonIcon; }
    void setBalloonIcon(qint32 Icon);
    QString BalloonTitle() const { return m_sBalloonTitle; }
    void setBalloonTitle(const QString& sTitle);
    QString BalloonText() const { return m_sBalloonText; }
    void setBalloonText(const QString& sText);

    // For the holder and tests: the size given to the shell and the icon's identifier.
    quint32 recordSize() const { return m_lRecordSize; }
    quint32 iconId() const { return m_uID; }
    static quint32 recordSizeFor(int shellVersion);

    std::span<const RoutedHandler> routedHandlers() const override;

signals:
    void MouseMove();
    void MouseDown(qint16& Button);
    void MouseUp(qint16& Button);
    void MouseDblClick(qint16& Button);
    void BalloonClose();
    void BalloonClick();
    void BalloonShown();
    void BalloonHide();

private:
    void send(int message);
    void stopBalloonTimer();
    bool setLoadedIcon(const QIcon& icon);
    static void trayWndThunk(RoutedObject& owner, bool bBefore, bool& bHandled, qintptr& lReturn, WindowHandle lng_hWnd,
                             quint32 uMsg, qintptr wParam, qintptr lParam, qintptr& lParamUser);
    static qintptr balloonTimerThunk(RoutedObject& owner, std::span<const qintptr> args);
    qintptr BalloonTimerProc(WindowHandle lng_hWnd, qintptr uMsg, qintptr idEvent, qintptr dwTime);
    void TrayWndProc(bool bBefore, bool& bHandled, qintptr& lReturn, WindowHandle lng_hWnd, quint32 uMsg,
                     qintptr wParam, qintptr lParam, qintptr& lParamUser);

    TrayShell& m_shell;
    NotifyIconData m_nid;
    quint32 m_lRecordSize = 0;
    std::unique_ptr<MessageWindow> m_window;
    quint32 m_uID = 0;
    QIcon m_hIcon;
    QIcon m_hLoadedIcon;
    QString m_sToolTip;
    QString m_sBalloonTitle;
    QString m_sBalloonText;
    qint32 m_lBalloonIcon = 0;
    qint32 m_lBalloonTimeout = 0;
    bool m_bShown = false;
    quint32 m_uTaskbarMsg = 0;
    qintptr m_lProc = 0;
    qintptr m_lExtra = 0;
    Subclasser m_subclass;
};

} // namespace vellumo
