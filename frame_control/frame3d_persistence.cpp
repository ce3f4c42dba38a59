// Frame3D's host callbacks for a new control and for the property bag: every step is trapped on its
// own, so that one bad key costs that key alone.
#include "frame_control/frame3d.h"

#include "platform/drawing/system_colors.h"
#include "platform/runtime/numeric.h"
#include "platform/runtime/runtime_error.h"

namespace vellumo {

namespace {

void setLabelSize(CaptionLabel& label, float size) {
    if (!(size > 0.0f))
        hosting::raiseInvalidPropertyValue(QStringLiteral("Label"));
    QFont font = label.font();
    font.setPointSizeF(size);
    label.setLabelFont(font);
}

template <class Change> void changeFont(CaptionLabel& label, Change change) {
    QFont font = label.font();
    change(font);
    label.setLabelFont(font);
}

} // namespace

void Frame3D::UserControl_InitProperties() {
    const char* p = "UserControl_InitProperties";
    trap(p, true, [&] { m_BevelWidth = 3; });
    trap(p, true, [&] { m_BorderType = FrameInserted; });
    trap(p, true, [&] { m_BackColor = containerBackColor(); });
    trap(p, true, [&] { m_Border3DHighlight = syscolor::ButtonHighlight; });
    trap(p, true, [&] { m_Border3DShadow = syscolor::ButtonShadow; });
    trap(p, true, [&] { m_Enabled = true; });
    trap(p, true, [&] { m_FloodPercent = 0; });
    trap(p, true, [&] { m_FloodShowPct = false; });
    trap(p, true, [&] { m_FloodType = LeftToRight; });
    trap(p, true, [&] { m_FloodColor = surface_.FillColor; });
    trap(p, true, [&] { lblCaptionShadow_->setForeColor(m_Border3DHighlight); });
    trap(p, true, [&] { lblCaption_->setUseMnemonic(false); });
    trap(p, true, [&] { lblCaptionShadow_->setUseMnemonic(false); });
    trap(p, true, [&] { m_CaptionLocation = InsideFrame; });
    trap(p, true, [&] { m_CornerRadius = 7; });
    trap(p, true, [&] { m_CornerDiameter = num::mul32(2, m_CornerRadius); });
}

void Frame3D::UserControl_ReadProperties(const PropertyBag& PropBag) {
    const char* p = "UserControl_ReadProperties";
    auto read = [&](const char* key, const PropertyValue& defaultValue) {
        return PropBag.ReadProperty(QString::fromLatin1(key), defaultValue);
    };
    // 1. The control's own fields, as stored: no notify, no repaint, no clamping.
    trap(p, true, [&] { m_BorderType = read("BorderType", std::int32_t{1}).toInt32(); });
    trap(p, true, [&] { m_BevelWidth = read("BevelWidth", std::int32_t{3}).toInt32(); });
    trap(p, true, [&] { m_BevelInner = read("BevelInner", std::int32_t{0}).toInt32(); });
    trap(p, true, [&] { m_Caption3D = read("Caption3D", std::int32_t{0}).toInt32(); });
    trap(p, true, [&] { m_CaptionAlignment = read("CaptionAlignment", std::int32_t{0}).toInt32(); });
    trap(p, true, [&] { m_CaptionLocation = read("CaptionLocation", std::int32_t{0}).toInt32(); });
    // The default is looked up first: a container without BackColor fails the whole step.
    trap(p, true, [&] { m_BackColor = read("BackColor", containerBackColor()).toInt32(); });
    trap(p, true, [&] { m_Border3DHighlight = read("Border3DHighlight", syscolor::ButtonHighlight).toInt32(); });
    trap(p, true, [&] { m_Border3DShadow = read("Border3DShadow", syscolor::ButtonShadow).toInt32(); });
    trap(p, true, [&] { m_Enabled = read("Enabled", true).toBool(); });
    trap(p, true, [&] { m_CornerRadius = read("CornerDiameter", std::int32_t{7}).toInt32(); });
    trap(p, true, [&] { m_CornerDiameter = num::mul32(2, m_CornerRadius); });
    trap(p, true, [&] { m_FloodPercent = read("FloodPercent", std::int32_t{0}).toInt32(); });
    trap(p, true, [&] { m_FloodShowPct = read("FloodShowPct", false).toBool(); });
    trap(p, true, [&] { m_FloodType = read("FloodType", std::int32_t{0}).toInt32(); });
    // FillColor is not read yet, so the default is the surface's design fill colour.
    trap(p, true, [&] { m_FloodColor = read("FloodColor", surface_.FillColor).toInt32(); });
    trap(p, true, [&] { m_FillGradient = read("FillGradient", std::int32_t{0}).toInt32(); });

    // 2. The surface's settings, each defaulting to its current value.
    trap(p, true, [&] { surface_.FillColor = read("FillColor", surface_.FillColor).toInt32(); });
    trap(p, true, [&] { setSurfaceFillStyle(read("FillStyle", surface_.FillStyle).toInt16()); });
    trap(p, true, [&] { setSurfaceDrawStyle(read("DrawStyle", surface_.DrawStyle).toInt16()); });
    trap(p, true, [&] { setSurfaceMousePointer(read("MousePointer", surface_.MousePointer).toInt16()); });
    trap(p, true, [&] { surface_.MouseIcon = read("MouseIcon", surface_.MouseIcon).toPicture(); });
    trap(p, true, [&] { surface_.Picture = read("Picture", surface_.Picture).toPicture(); });

    // 3. lblCaption only; the shadow copies it in step 5.
    CaptionLabel& caption = *lblCaption_;
    trap(p, true, [&] { caption.setAlignmentCode(read("CaptionMAlignment", caption.Alignment()).toInt16()); });
    trap(p, true, [&] {
        // The stored font lends its name to the label's own font; the single keys do the rest.
        const QFont stored = read("Font", caption.font()).toFont();
        changeFont(caption, [&](QFont& f) { f.setFamily(stored.family()); });
    });
    trap(p, true, [&] {
        const bool v = read("FontBold", caption.font().bold()).toBool();
        changeFont(caption, [&](QFont& f) { f.setBold(v); });
    });
    trap(p, true, [&] {
        const bool v = read("FontItalic", caption.font().italic()).toBool();
        changeFont(caption, [&](QFont& f) { f.setItalic(v); });
    });
    trap(p, true, [&] {
        const QString v = read("FontName", caption.font().family()).toText();
        changeFont(caption, [&](QFont& f) { f.setFamily(v); });
    });
    trap(p, true, [&] { setLabelSize(caption, read("FontSize", caption.pointSize()).toFloat()); });
    trap(p, true, [&] {
        const bool v = read("FontStrikethru", caption.font().strikeOut()).toBool();
        changeFont(caption, [&](QFont& f) { f.setStrikeOut(v); });
    });
    trap(p, true, [&] {
        const bool v = read("FontUnderline", caption.font().underline()).toBool();
        changeFont(caption, [&](QFont& f) { f.setUnderline(v); });
    });
    trap(p, true, [&] { caption.setForeColor(read("ForeColor", caption.ForeColor()).toInt32()); });
    trap(p, true, [&] { caption.setCaption(read("Caption", caption.Caption()).toText()); });
    trap(p, true, [&] { caption.setUseMnemonic(read("UseMnemonic", caption.UseMnemonic()).toBool()); });

    // 4. A saved percentage display wins over the saved caption.
    trap(p, true, [&] {
        if (m_FloodShowPct)
            setBothCaptions(QString::number(m_FloodPercent) + QLatin1Char('%'));
    });

    // 5. The shadow takes everything from the caption but its colour.
    CaptionLabel& shadow = *lblCaptionShadow_;
    trap(p, true, [&] { shadow.setAlignmentCode(caption.Alignment()); });
    trap(p, true, [&] { shadow.setLabelFont(caption.font()); });
    trap(p, true, [&] { shadow.setCaption(caption.Caption()); });
    trap(p, true, [&] { shadow.setUseMnemonic(caption.UseMnemonic()); });
    trap(p, true, [&] { shadow.setForeColor(m_Border3DHighlight); });
}

void Frame3D::UserControl_WriteProperties(PropertyBag& PropBag) {
    const char* p = "UserControl_WriteProperties";
    auto write = [&](const char* key, const std::function<PropertyValue()>& value) {
        trap(p, true, [&] { PropBag.WriteProperty(QString::fromLatin1(key), value()); });
    };
    const CaptionLabel& caption = *lblCaption_;
    write("BorderType", [&] { return m_BorderType; });
    write("BevelWidth", [&] { return m_BevelWidth; });
    write("BevelInner", [&] { return m_BevelInner; });
    write("Caption3D", [&] { return m_Caption3D; });
    write("CaptionAlignment", [&] { return m_CaptionAlignment; });
    write("CaptionLocation", [&] { return m_CaptionLocation; });
    write("BackColor", [&] { return m_BackColor; });
    write("CornerDiameter", [&] { return m_CornerRadius; }); // the radius, under the older name
    write("FillColor", [&] { return surface_.FillColor; });
    write("FillStyle", [&] { return surface_.FillStyle; });
    write("DrawStyle", [&] { return surface_.DrawStyle; });
    write("FloodPercent", [&] { return m_FloodPercent; });
    write("FloodShowPct", [&] { return m_FloodShowPct; });
    write("FloodType", [&] { return m_FloodType; });
    write("FloodColor", [&] { return m_FloodColor; });
    write("FillGradient", [&] { return m_FillGradient; });
    write("MousePointer", [&] { return surface_.MousePointer; });
    write("MouseIcon", [&] { return surface_.MouseIcon; });
    write("Picture", [&] { return surface_.Picture; });
    write("Border3DHighlight", [&] { return m_Border3DHighlight; });
    write("Border3DShadow", [&] { return m_Border3DShadow; });
    write("Enabled", [&] { return m_Enabled; });
    write("CaptionMAlignment", [&] { return caption.Alignment(); });
    write("Font", [&] { return caption.font(); });
    write("FontBold", [&] { return caption.font().bold(); });
    write("FontItalic", [&] { return caption.font().italic(); });
    write("FontName", [&] { return caption.font().family(); });
    write("FontSize", [&] { return caption.pointSize(); }); // in points, as the reading wants it
    write("FontStrikethru", [&] { return caption.font().strikeOut(); });
    write("FontUnderline", [&] { return caption.font().underline(); });
    write("ForeColor", [&] { return caption.ForeColor(); });
    write("Caption", [&] { return caption.Caption(); });
    write("UseMnemonic", [&] { return caption.UseMnemonic(); });
}

} // namespace vellumo
