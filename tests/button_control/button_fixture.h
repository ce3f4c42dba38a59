#pragma once
// A TeskButtonConcept on a container site, with scripted message boxes, a log of its change
// notifications and of the events it raises to the container, and pixel helpers for its surface.

#include "button_control/tesk_button_concept.h"

#include "platform/drawing/surface.h"
#include "platform/runtime/runtime_error.h"
#include "tests/support/error_number.h"
#include "tests/support/scripted_ui_hooks.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPoint>

#include <gtest/gtest.h>

#include <memory>

namespace vellumo::test {

class ButtonTest : public testing::Test {
protected:
    ~ButtonTest() override { button.reset(); }
    ButtonTest() : scoped_(hooks) {
        site.displayName = QStringLiteral("TeskButtonConcept1");
        site.onPropertyChanged = [this](const QString& name) { notified << name; };
    }

    TeskButtonConcept& make(QWidget* parent = nullptr) {
        button = std::make_unique<TeskButtonConcept>(parent, &site);
        return *button;
    }
    // A new button, initialised, sized and shown at (10, 10) on the shown container window, with
    // every event it raises logged.
    TeskButtonConcept& makeShown(int w = 80, int h = 24) {
        if (!container) {
            container = std::make_unique<QWidget>();
            container->resize(300, 200);
            container->move(100, 100);
            container->show();
        }
        TeskButtonConcept& b = make(container.get());
        b.InitProperties();
        b.setGeometry(10, 10, w, h);
        b.show();
        logEvents(b);
        notified.clear();
        return b;
    }
    void logEvents(TeskButtonConcept& b) {
        auto mouse = [this](const char* name) {
            return [this, name](std::int16_t& bt, std::int16_t& s, float& x, float& y) {
                events << QStringLiteral("%1 %2 %3 %4,%5").arg(QLatin1String(name)).arg(bt).arg(s).arg(x).arg(y);
            };
        };
        ControlEvents& e = b.events();
        e.Click = [this] { events << "Click"; };
        e.MouseDown = mouse("MouseDown");
        e.MouseMove = mouse("MouseMove");
        e.MouseUp = mouse("MouseUp");
        e.KeyDown = [this](std::int16_t& k, std::int16_t& s) {
            events << QStringLiteral("KeyDown %1 %2").arg(k).arg(s);
        };
        e.KeyUp = [this](std::int16_t& k, std::int16_t& s) { events << QStringLiteral("KeyUp %1 %2").arg(k).arg(s); };
        e.KeyPress = [this](std::int16_t& a) { events << QStringLiteral("KeyPress %1").arg(a); };
        e.MouseOver = [this] { events << "MouseOver"; };
        e.MouseOut = [this] { events << "MouseOut"; };
        b.onPainted = [this](std::uint8_t state) { paints << QStringLiteral("paint %1").arg(state); };
    }

    static void mouse(QWidget* to, QEvent::Type type, QPointF at, Qt::MouseButton button, Qt::MouseButtons held) {
        QMouseEvent e(type, at, to->mapToGlobal(at), button, held, Qt::NoModifier);
        QApplication::sendEvent(to, &e);
    }
    static void press(QWidget* to, QPointF at, Qt::MouseButton button = Qt::LeftButton) {
        mouse(to, QEvent::MouseButtonPress, at, button, button);
    }
    static void release(QWidget* to, QPointF at, Qt::MouseButton button = Qt::LeftButton) {
        mouse(to, QEvent::MouseButtonRelease, at, button, Qt::NoButton);
    }
    static void move(QWidget* to, QPointF at, Qt::MouseButtons held = Qt::NoButton) {
        mouse(to, QEvent::MouseMove, at, Qt::NoButton, held);
    }
    static void key(QWidget* to, QEvent::Type type, int qtKey, const QString& text = QString()) {
        QKeyEvent e(type, qtKey, Qt::NoModifier, text);
        QApplication::sendEvent(to, &e);
    }

    // The surface's pixel at (x, y) as a 0x00BBGGRR colour.
    std::int32_t pixel(int x, int y) const { return Surface::fromRgb(button->surfaceImage().pixel(x, y)); }

    ScriptedUiHooks hooks;
    ContainerSite site;
    std::unique_ptr<QWidget> container;
    std::unique_ptr<TeskButtonConcept> button;
    QStringList notified;
    QStringList events;
    QStringList paints;

private:
    ScopedUiHooks scoped_;
};

// A shown 60 by 24 button without a caption, under a cursor of the test's own (away from the button
// until hover() puts it over the middle), for the tests that read its pixels in each state.
class PaintedButtonTest : public ButtonTest {
protected:
    void SetUp() override {
        makeShown(60, 24);
        cursor = QPoint(-1000, -1000);
        button->cursorPosition = [this] { return cursor; };
        button->setCaption(QString());
    }
    void hover() {
        cursor = button->mapToGlobal(QPoint(30, 12));
        move(button.get(), {30, 12});
        ASSERT_TRUE(button->hovering());
    }

    QPoint cursor;
};

} // namespace vellumo::test
