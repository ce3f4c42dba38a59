#include "platform/hosting/hosted_control.h"

#include "platform/runtime/runtime_error.h"

#include <QCoreApplication>
#include <QWidget>

namespace vellumo {

std::int32_t nativeWindowHandle(QWidget& widget) {
    if (!widget.internalWinId()) {
        // Qt would make the native window's ancestors native too, and by default its siblings: only
        // the widget whose handle is asked for becomes a native window.
        widget.setAttribute(Qt::WA_DontCreateNativeAncestors);
        const bool siblingsStay = QCoreApplication::testAttribute(Qt::AA_DontCreateNativeWidgetSiblings);
        QCoreApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings, true);
        widget.winId();
        QCoreApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings, siblingsStay);
    }
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(widget.internalWinId()));
}

void raiseMemberNotFound(const QString& source) {
    throw RuntimeError(hresult::MemberNotFound, source, QStringLiteral("Member not found"));
}

void raiseBadParamCount(const QString& source) {
    throw RuntimeError(hresult::BadParamCount, source, QStringLiteral("Invalid number of parameters"));
}

} // namespace vellumo
