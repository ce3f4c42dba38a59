// TeskButtonConcept's host callbacks for a new button and for the property bag. Nothing is trapped
// here: a key that fails to read or write fails the whole call, and the keys after it are not handled.
#include "button_control/tesk_button_concept.h"

#include "platform/drawing/system_colors.h"
#include "platform/hosting/control_site.h"

namespace vellumo {

namespace {
constexpr std::int32_t kSilver = 0x00C0C0C0;
constexpr int kButtonFace = 15;
constexpr int kButtonText = 18;
} // namespace

void TeskButtonConcept::UserControl_InitProperties() {
    m_Enabled = true;
    m_ShowFocusRect = true;
    m_UseMaskColor = true;
    m_Caption = site_ ? site_->ambientDisplayName() : QString(); // no access key until Caption is set
    setSurfaceFont(site_ ? site_->ambientFont() : QFont());
    m_ButtonType = Windows32;
    m_ColorScheme = UseWindows;
    SetColors();
    m_BackColor = colors_.face;
    m_BackOver = colors_.face;
    m_ForeColor = colors_.text;
    m_ForeOver = colors_.text;
    m_MaskColor = kSilver;
    CalcLayout();
}

void TeskButtonConcept::UserControl_ReadProperties(const PropertyBag& PropBag) {
    auto read = [&](const char* key, const PropertyValue& defaultValue) {
        return PropBag.ReadProperty(QString::fromLatin1(key), defaultValue);
    };
    m_ButtonType = read("BTYPE", std::int32_t{Windows32}).toInt32();
    m_Caption = read("TX", QString()).toText();
    m_Enabled = read("ENAB", true).toBool();
    setSurfaceFont(read("FONT", surface_.font).toFont());
    m_ColorScheme = read("COLTYPE", std::int32_t{UseWindows}).toInt32();
    m_ShowFocusRect = read("FOCUSR", true).toBool();
    m_BackColor = read("BCOL", SystemColors::sysColor(kButtonFace)).toInt32();
    m_BackOver = read("BCOLO", m_BackColor).toInt32();
    m_ForeColor = read("FCOL", SystemColors::sysColor(kButtonText)).toInt32();
    m_ForeOver = read("FCOLO", m_ForeColor).toInt32();
    m_MaskColor = read("MCOL", kSilver).toInt32();
    setSurfacePointer(read("MPTR", std::int16_t{0}).toInt16());
    setSurfaceIcon(read("MICON", QImage()).toPicture());
    m_PictureNormal = read("PICN", QImage()).toPicture();
    m_PictureOver = read("PICH", QImage()).toPicture();
    m_UseMaskColor = read("UMCOL", true).toBool();
    m_SoftBevel = read("SOFT", false).toBool();
    m_PicturePosition = read("PICPOS", std::int32_t{cbLeft}).toInt32();
    m_UseGreyscale = read("NGREY", false).toBool();
    m_SpecialEffect = read("FX", std::int32_t{cbNone}).toInt32();
    setHandPointer(read("HAND", false).toBool()); // replaces the pointer and icon just read
    m_CheckBoxBehaviour = read("CHECK", false).toBool();
    m_Value = read("VALUE", false).toBool();

    QWidget::setEnabled(m_Enabled);
    GetPictureSize();
    CalcLayout();
    SetAccessKey();
}

void TeskButtonConcept::UserControl_WriteProperties(PropertyBag& PropBag) {
    auto write = [&](const char* key, const PropertyValue& value) {
        PropBag.WriteProperty(QString::fromLatin1(key), value);
    };
    write("BTYPE", m_ButtonType);
    write("TX", m_Caption);
    write("ENAB", m_Enabled);
    write("FONT", surface_.font);
    write("COLTYPE", m_ColorScheme);
    write("FOCUSR", m_ShowFocusRect);
    write("BCOL", m_BackColor);
    write("BCOLO", m_BackOver);
    write("FCOL", m_ForeColor);
    write("FCOLO", m_ForeOver);
    write("MCOL", m_MaskColor);
    write("MPTR", surface_.mousePointer);
    write("MICON", surface_.mouseIcon);
    write("PICN", m_PictureNormal);
    write("PICH", m_PictureOver);
    write("UMCOL", m_UseMaskColor);
    write("SOFT", m_SoftBevel);
    write("PICPOS", m_PicturePosition);
    write("NGREY", m_UseGreyscale);
    write("FX", m_SpecialEffect);
    write("HAND", m_HandPointer);
    write("CHECK", m_CheckBoxBehaviour);
    write("VALUE", m_Value);
}

} // namespace vellumo
