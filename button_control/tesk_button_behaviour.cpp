// TeskButtonConcept's behaviour: the notifications of its drawing surface (mouse, keys, focus, access
// keys, show, hide, resize) and the hover timer. The Qt events of the widget become the surface's
// notifications through ControlInput, in the platform's order (MouseDown, MouseUp, Click).
#include "button_control/tesk_button_concept.h"

#include "platform/drawing/window_region.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPainter>

namespace vellumo {

namespace {

void raiseMouse(const std::function<void(std::int16_t&, std::int16_t&, float&, float&)>& handler, std::int16_t b,
                std::int16_t s, float x, float y) {
    if (handler)
        handler(b, s, x, y);
}

void raiseKey(const std::function<void(std::int16_t&, std::int16_t&)>& handler, std::int16_t k, std::int16_t s) {
    if (handler)
        handler(k, s);
}

void raiseEvent(const std::function<void()>& handler) {
    if (handler)
        handler();
}

constexpr std::int16_t kLeft = 1;
constexpr std::int16_t kRight = 2;
constexpr std::int16_t kSpace = 32;

} // namespace

// ---- Qt events --------------------------------------------------------------------------------------

bool TeskButtonConcept::event(QEvent* e) {
    if (e->type() == QEvent::KeyPress || e->type() == QEvent::KeyRelease) {
        const auto* key = static_cast<QKeyEvent*>(e);
        // Tab and Shift+Tab move the focus before the control sees them, as on the platform.
        const bool tab = (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) &&
                         !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
        if (!tab && surfaceInput_.dispatch(e, *this, surfaceHandlers_))
            return true;
    } else if (surfaceInput_.dispatchMouse(e, *this, surfaceHandlers_)) {
        return true;
    }
    return QWidget::event(e);
}

void TeskButtonConcept::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // Until the first Redraw (or while painting is off) the surface shows what it last had.
    painter.drawImage(0, 0, canvas_.image());
}

void TeskButtonConcept::resizeEvent(QResizeEvent*) {
    UserControl_Resize();
}
void TeskButtonConcept::showEvent(QShowEvent*) {
    UserControl_Show();
}
void TeskButtonConcept::hideEvent(QHideEvent*) {
    UserControl_Hide();
}
void TeskButtonConcept::focusInEvent(QFocusEvent*) {
    UserControl_GotFocus();
}
void TeskButtonConcept::focusOutEvent(QFocusEvent*) {
    UserControl_LostFocus();
}

// ---- mouse ------------------------------------------------------------------------------------------

void TeskButtonConcept::UserControl_MouseDown(std::int16_t Button, std::int16_t Shift, float X, float Y) {
    raiseMouse(events_.MouseDown, Button, Shift, X, Y);
    m_Button = static_cast<std::uint8_t>(Button);
    if (Button != kRight)
        Redraw(2, false);
}

void TeskButtonConcept::UserControl_MouseUp(std::int16_t Button, std::int16_t Shift, float X, float Y) {
    raiseMouse(events_.MouseUp, Button, Shift, X, Y);
    if (Button != kRight)
        Redraw(0, false);
}

bool TeskButtonConcept::IsMouseOver() const {
    const QPoint at = cursorPosition ? cursorPosition() : QCursor::pos();
    return QApplication::widgetAt(at) == this;
}

void TeskButtonConcept::UserControl_MouseMove(std::int16_t Button, std::int16_t Shift, float X, float Y) {
    raiseMouse(events_.MouseMove, Button, Shift, X, Y);
    if (Button != 0 && Button != kLeft)
        return;
    if (IsMouseOver()) {
        if (Button == 0) {
            if (hovering_)
                return;
            OverTimer_.start();
            hovering_ = true;
            Redraw(0, true);
            raiseEvent(events_.MouseOver);
        } else {
            // Dragging with the left button over the button: it shows pressed, with the hover look
            // only for this one paint.
            hovering_ = true;
            Redraw(2, false);
            hovering_ = false;
        }
    } else {
        // The mouse is captured while a button is held: outside, the button springs back.
        Redraw(0, false);
    }
}

void TeskButtonConcept::UserControl_Click() {
    if (m_Button != kLeft || !m_Enabled)
        return;
    if (m_CheckBoxBehaviour)
        m_Value = !m_Value;
    Redraw(0, true);
    refreshSurface();
    raiseEvent(events_.Click);
}

void TeskButtonConcept::UserControl_DblClick() {
    if (m_Button != kLeft)
        return;
    UserControl_MouseDown(1, 0, 0, 0);
    // The platform captures the mouse here; Qt already holds the implicit grab of the press that
    // brought the double click, until its release.
}

void TeskButtonConcept::UserControl_AccessKeyPress(std::int16_t KeyAscii) {
    Q_UNUSED(KeyAscii);
    m_Button = kLeft;
    UserControl_Click();
}

void TeskButtonConcept::OverTimer_Timer() {
    if (IsMouseOver())
        return;
    OverTimer_.stop();
    hovering_ = false;
    Redraw(0, true);
    raiseEvent(events_.MouseOut);
}

// ---- keys -------------------------------------------------------------------------------------------

void TeskButtonConcept::UserControl_KeyDown(std::int16_t KeyCode, std::int16_t Shift) {
    raiseKey(events_.KeyDown, KeyCode, Shift);
    m_Key = static_cast<std::uint8_t>(KeyCode);
    switch (KeyCode) {
    case kSpace:
        Redraw(2, false);
        break;
    case 37: // left
    case 38: // up
        focusNextPrevChild(false);
        break;
    case 39: // right
    case 40: // down
        focusNextPrevChild(true);
        break;
    default:
        break;
    }
}

void TeskButtonConcept::UserControl_KeyPress(std::int16_t KeyAscii) {
    if (events_.KeyPress)
        events_.KeyPress(KeyAscii);
}

void TeskButtonConcept::UserControl_KeyUp(std::int16_t KeyCode, std::int16_t Shift) {
    raiseKey(events_.KeyUp, KeyCode, Shift);
    if (m_Key != kSpace || KeyCode != kSpace)
        return;
    if (m_CheckBoxBehaviour)
        m_Value = !m_Value;
    Redraw(0, false);
    refreshSurface();
    raiseEvent(events_.Click);
}

// ---- focus, ambient, show, hide ---------------------------------------------------------------------

void TeskButtonConcept::UserControl_GotFocus() {
    hasFocus_ = true;
    Redraw(state_, true);
}

void TeskButtonConcept::UserControl_LostFocus() {
    hasFocus_ = false;
    Redraw(state_, true);
}

void TeskButtonConcept::UserControl_AmbientChanged(const QString& PropertyName) {
    Q_UNUSED(PropertyName);
    SetColors();
    Redraw(state_, true);
}

void TeskButtonConcept::UserControl_Show() {
    if (m_ButtonType == Transparent) {
        if (background_.isNull()) {
            // The memory bitmap keeps the size of this first show.
            background_ = QImage(W_ > 0 ? W_ : 1, H_ > 0 ? H_ : 1, QImage::Format_RGB32);
            background_.fill(0xFF000000u);
        }
        CaptureBackground();
    }
    paint_ = true;
    SetColors();
    Redraw(0, true);
}

void TeskButtonConcept::UserControl_Hide() {
    paint_ = false;
}

// ---- access keys ------------------------------------------------------------------------------------

void TeskButtonConcept::SetAccessKey() {
    accessKeys_.setKeys(QString());
    const QString& caption = m_Caption;
    if (caption.size() <= 1)
        return;
    const qsizetype p = caption.indexOf(QLatin1Char('&'));
    if (p < 0 || p == caption.size() - 1)
        return;
    if (caption[p + 1] != QLatin1Char('&')) {
        accessKeys_.setKeys(QString(caption[p + 1].toLower()));
        return;
    }
    // "&&" is a literal ampersand: the key follows the next single "&", if any.
    const qsizetype q = caption.indexOf(QLatin1Char('&'), p + 2);
    if (q < 0)
        return;
    if (q + 1 < caption.size() && caption[q + 1] == QLatin1Char('&'))
        return;
    if (q + 1 < caption.size())
        accessKeys_.setKeys(QString(caption[q + 1].toLower()));
}

// ---- resize -----------------------------------------------------------------------------------------

void TeskButtonConcept::UserControl_Resize() {
    if (capturing_)
        return;
    W_ = width();
    H_ = height();
    ButtonRect focus{0, 0, W_, H_};
    if (m_ButtonType >= 7 && m_ButtonType <= 13) {
        focus = {3, 3, W_ - 3, H_ - 3};
    } else if (m_ButtonType == KDE2) {
        focus = ButtonRect{5, 5, W_ - 5, H_ - 5}.moved(1, 1);
    } else {
        focus = {4, 4, W_ - 4, H_ - 4};
    }
    focusRect_ = focus;
    CalcLayout();
    CreateButtonRegion();
    WindowRegion::apply(*this, region_); // the window keeps a copy; nothing to delete here
    if (H_ != 0)
        Redraw(0, true);
}

} // namespace vellumo
