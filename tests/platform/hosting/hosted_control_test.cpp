// What every hosted control shares: its native window handle and the dispatch errors.
#include "platform/hosting/hosted_control.h"

#include "platform/runtime/runtime_error.h"
#include "tests/support/error_number.h"

#include <QCoreApplication>
#include <QWidget>

#include <gtest/gtest.h>

namespace vellumo {
namespace {

using test::errorOf;

TEST(NativeWindowHandle, OnlyTheWidgetAskedForBecomesANativeWindow) {
    QWidget window;
    auto* place = new QWidget(&window);
    auto* control = new QWidget(place);
    auto* neighbour = new QWidget(place);
    window.show();
    const std::int32_t handle = nativeWindowHandle(*control);
    EXPECT_NE(handle, 0);
    EXPECT_EQ(handle, static_cast<std::int32_t>(control->internalWinId()));
    EXPECT_EQ(nativeWindowHandle(*control), handle);
    EXPECT_EQ(place->internalWinId(), WId(0));
    EXPECT_EQ(neighbour->internalWinId(), WId(0));
    auto* later = new QWidget(place);
    later->show();
    EXPECT_EQ(later->internalWinId(), WId(0));
    EXPECT_FALSE(QCoreApplication::testAttribute(Qt::AA_DontCreateNativeWidgetSiblings)) << "left as it was";
}

TEST(DispatchErrors, CarryTheirNumbers) {
    EXPECT_EQ(errorOf([] { raiseMemberNotFound(QStringLiteral("x")); }), hresult::MemberNotFound);
    EXPECT_EQ(errorOf([] { raiseBadParamCount(QStringLiteral("x")); }), hresult::BadParamCount);
}

} // namespace
} // namespace vellumo
