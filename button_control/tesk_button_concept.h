#pragma once
// TeskButtonConcept: the one control of the library Peltorix, a push button drawn in thirteen looks,
// with hover colours, two pictures, caption effects, a focus rectangle and an optional check-box
// behaviour. The main program's windows place these buttons by class name, handle only Click, and set
// only Visible and, on one button, MousePointer.
//
// The control is its own drawing surface (this widget). Every Redraw paints the whole button into a
// persistent image that paintEvent brings to the screen, so the last drawing reappears when the
// window is uncovered. The control is created by the library's class object (or directly by a test)
// on a container's ControlSite, which must outlive it. Font, MousePointer and MouseIcon live in the
// surface (surface_), not in the button's own fields.
//
// Invariants: the working colours (colors_) are RGB values recomputed whole by SetColors; geometry is
// that of the last UserControl_Resize; nothing is painted while the paint flag is off or H is 0.
// Setters do no range check; failures of the surface (a bad pointer code) and of the property bag
// reach the host as RuntimeError of the call. The control shows and logs nothing. Fonts are kept in
// points (a font given by pixel size gets the point size of those pixels); a FontSize the font cannot
// draw (0 or less) is kept as set and reads back so. hwnd gives the button's own native window, which
// reading it creates (its ancestors stay as they are).
//
// Saved keys, written in this order (every key every time) and read back in the same order:
//
//   #  key      type      #  key      type      #  key      type
//   1  BTYPE    32-bit    9  FCOL     32-bit   17  SOFT     Boolean
//   2  TX       text     10  FCOLO    32-bit   18  PICPOS   32-bit
//   3  ENAB     Boolean  11  MCOL     32-bit   19  NGREY    Boolean
//   4  FONT     font     12  MPTR     16-bit   20  FX       32-bit
//   5  COLTYPE  32-bit   13  MICON    picture  21  HAND     Boolean
//   6  FOCUSR   Boolean  14  PICN     picture  22  CHECK    Boolean
//   7  BCOL     32-bit   15  PICH     picture  23  VALUE    Boolean
//   8  BCOLO    32-bit   16  UMCOL    Boolean
//
// Events to the container (events()): Click, MouseDown, MouseMove, MouseUp, KeyPress, KeyDown, KeyUp,
// MouseOver and MouseOut. DblClick is not one of the button's events. Methods by dispatch number
// (invokeMethod): DisableRefresh and Refresh.

#include "button_control/button_colors.h"
#include "button_control/peltorix_export.h"

#include "platform/drawing/surface.h"
#include "platform/hosting/access_keys.h"
#include "platform/hosting/control_input.h"
#include "platform/hosting/hosted_control.h"
#include "platform/hosting/user_control.h"

#include <QFont>
#include <QImage>
#include <QRegion>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <optional>

namespace vellumo {

// Published identity and dispatch numbers (internal linkage: see hosted_control.h).
namespace peltorix {
constexpr const char* ProgId = "Peltorix.TeskButtonConcept";
constexpr const char* Clsid = "{6CA53788-9351-4277-90BF-68EB88BCBFE0}";
constexpr const char* DispatchIid = "{E5815C24-280C-41CC-BB0C-407429624E15}"; // _TeskButtonConcept
constexpr const char* EventIid = "{4EF9B4F5-C7AC-41F9-8E97-54DB5ADFB574}";    // __TeskButtonConcept
constexpr const char* TypeLibId = "{BC56EA88-2458-47F1-B6D0-8CFA96BC9DDD}";   // Peltorix
constexpr const char* LibraryFile = "libpeltorix.so";
constexpr const char* Version = "2.0.6 B";

namespace dispid {
constexpr std::int32_t BackColor = -501, ForeColor = -513, Caption = -518, Enabled = -514, Font = -512, hwnd = -515,
                       BackOver = 0x68030017, ForeOver = 0x68030016, MaskColor = 0x68030015, ButtonType = 0x68030014,
                       FontBold = 0x68030013, FontItalic = 0x68030012, FontUnderline = 0x68030011,
                       FontSize = 0x68030010, FontName = 0x6803000F, ColorScheme = 0x6803000E,
                       ShowFocusRect = 0x6803000D, MousePointer = 0x6803000C, MouseIcon = 0x6803000B,
                       HandPointer = 0x6803000A, SoftBevel = 0x68030009, PictureNormal = 0x68030008,
                       PictureOver = 0x68030007, PicturePosition = 0x68030006, UseMaskColor = 0x68030005,
                       UseGreyscale = 0x68030004, SpecialEffect = 0x68030003, CheckBoxBehaviour = 0x68030002,
                       Value = 0x68030001, Version = 0x68030000, DisableRefresh = 0x6003003A, Refresh = 0x6003003B;
} // namespace dispid

// Event numbers of the source interface __TeskButtonConcept.
namespace eventid {
constexpr std::int32_t Click = -600, MouseDown = 1, MouseMove = 2, MouseUp = 3, KeyPress = 4, KeyDown = 5, KeyUp = 6,
                       MouseOver = 7, MouseOut = 8;
} // namespace eventid
} // namespace peltorix

// The enumerations. Their published names carry spaces ("Windows 32-bit"); see buttonEnumName.
enum ButtonTypes : std::int32_t {
    Windows16 = 1,
    Windows32 = 2,
    WindowsXP = 3,
    Mac = 4,
    JavaMetal = 5,
    Netscape6 = 6,
    SimpleFlat = 7,
    FlatHighlight = 8,
    OfficeXP = 9,
    Transparent = 11,
    Hover3D = 12,
    OvalFlat = 13,
    KDE2 = 14,
};
enum ColorTypes : std::int32_t { UseWindows = 1, Custom = 2, ForceStandard = 3, UseContainer = 4 };
enum PicPositions : std::int32_t { cbLeft = 0, cbRight = 1, cbTop = 2, cbBottom = 3, cbBackground = 4 };
enum fx : std::int32_t { cbNone = 0, cbEmbossed = 1, cbEngraved = 2, cbShadowed = 3 };

// The published name of value in the enumeration enumName ("ButtonTypes", "ColorTypes",
// "PicPositions", "fx"), or an empty text.
PELTORIX_EXPORT QString buttonEnumName(const char* enumName, std::int32_t value);

// A rectangle as the platform's drawing calls take it: right and bottom exclusive.
struct ButtonRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    ButtonRect moved(int dx, int dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
    bool operator==(const ButtonRect&) const = default;
};

class PELTORIX_EXPORT TeskButtonConcept : public QWidget, public UserControl<TeskButtonConcept> {
public:
    // site may be null: then nothing is notified and the ambient properties are the defaults.
    explicit TeskButtonConcept(QWidget* parent = nullptr, ControlSite* site = nullptr);
    ~TeskButtonConcept() override;

    // Number of buttons alive in the process (for DllCanUnloadNow).
    static int liveInstances();

    // HostedControl (the host's callbacks reach the handlers below through UserControl)
    void putProperty(std::int32_t dispid, const PropertyValue& value) override;
    PropertyValue getProperty(std::int32_t dispid) override;
    PropertyValue invokeMethod(std::int32_t dispid, const std::vector<PropertyValue>& arguments) override;

    // Host callbacks.
    void UserControl_InitProperties();
    void UserControl_ReadProperties(const PropertyBag& PropBag);
    void UserControl_WriteProperties(PropertyBag& PropBag);
    // The host tells the button that an ambient property changed.
    void UserControl_AmbientChanged(const QString& PropertyName);

    // Properties (getter by the property's name, setter with "set").
    std::int32_t BackColor() const { return m_BackColor; }
    void setBackColor(std::int32_t value);
    std::int32_t BackOver() const { return m_BackOver; }
    void setBackOver(std::int32_t value);
    std::int32_t ForeColor() const { return m_ForeColor; }
    void setForeColor(std::int32_t value);
    std::int32_t ForeOver() const { return m_ForeOver; }
    void setForeOver(std::int32_t value);
    std::int32_t MaskColor() const { return m_MaskColor; }
    void setMaskColor(std::int32_t value);
    std::int32_t ButtonType() const { return m_ButtonType; }
    void setButtonType(std::int32_t value);
    QString Caption() const { return m_Caption; }
    void setCaption(const QString& value);
    bool Enabled() const { return m_Enabled; }
    void setEnabledProperty(bool value);
    QFont Font() const { return surface_.font; }
    void setFontObject(const QFont& value);
    bool FontBold() const { return surface_.font.bold(); }
    void setFontBold(bool value);
    bool FontItalic() const { return surface_.font.italic(); }
    void setFontItalic(bool value);
    bool FontUnderline() const { return surface_.font.underline(); }
    void setFontUnderline(bool value);
    std::int16_t FontSize() const;
    void setFontSize(std::int16_t value);
    QString FontName() const { return surface_.font.family(); }
    void setFontName(const QString& value);
    std::int32_t ColorScheme() const { return m_ColorScheme; }
    void setColorScheme(std::int32_t value);
    bool ShowFocusRect() const { return m_ShowFocusRect; }
    void setShowFocusRect(bool value);
    std::int32_t MousePointer() const { return surface_.mousePointer; }
    void setMousePointer(std::int32_t value);
    QImage MouseIcon() const { return surface_.mouseIcon; }
    void setMouseIcon(const QImage& value);
    bool HandPointer() const { return m_HandPointer; }
    void setHandPointer(bool value);
    std::int32_t hwnd() const;
    bool SoftBevel() const { return m_SoftBevel; }
    void setSoftBevel(bool value);
    QImage PictureNormal() const { return m_PictureNormal; }
    void setPictureNormal(const QImage& value);
    QImage PictureOver() const { return m_PictureOver; }
    void setPictureOver(const QImage& value);
    std::int32_t PicturePosition() const { return m_PicturePosition; }
    void setPicturePosition(std::int32_t value);
    bool UseMaskColor() const { return m_UseMaskColor; }
    void setUseMaskColor(bool value);
    bool UseGreyscale() const { return m_UseGreyscale; }
    void setUseGreyscale(bool value);
    std::int32_t SpecialEffect() const { return m_SpecialEffect; }
    void setSpecialEffect(std::int32_t value);
    bool CheckBoxBehaviour() const { return m_CheckBoxBehaviour; }
    void setCheckBoxBehaviour(bool value);
    bool Value() const { return m_Value; }
    void setValue(bool value);
    static QString Version() { return QString::fromLatin1(peltorix::Version); }

    // Methods.
    void DisableRefresh();
    void Refresh();

    // The hand cursor of the library's resources (resource 101).
    static QImage handCursor();

    // Notifications of the drawing surface (run by the widget's Qt events; public so that a host or
    // a test can drive them as the surface would).
    void UserControl_MouseDown(std::int16_t Button, std::int16_t Shift, float X, float Y);
    void UserControl_MouseUp(std::int16_t Button, std::int16_t Shift, float X, float Y);
    void UserControl_MouseMove(std::int16_t Button, std::int16_t Shift, float X, float Y);
    void UserControl_Click();
    void UserControl_DblClick();
    void UserControl_AccessKeyPress(std::int16_t KeyAscii);
    void UserControl_KeyDown(std::int16_t KeyCode, std::int16_t Shift);
    void UserControl_KeyPress(std::int16_t KeyAscii);
    void UserControl_KeyUp(std::int16_t KeyCode, std::int16_t Shift);
    void UserControl_GotFocus();
    void UserControl_LostFocus();
    void UserControl_Show();
    void UserControl_Hide();
    void UserControl_Resize();
    void OverTimer_Timer();

    // Painting (see the .cpp files for the looks).
    void Redraw(std::uint8_t State, bool Force);
    void SetColors();
    void CalcLayout();
    void CaptureBackground();

    // Read-only views of the working state, for the host's layout and for tests.
    const ButtonColors& workingColors() const { return colors_; }
    const QImage& surfaceImage() const { return canvas_.image(); }
    const QImage& capturedBackground() const { return background_; }
    QRegion buttonRegion() const { return region_; }
    ButtonRect captionRect() const { return captionRect_; }
    ButtonRect pressedCaptionRect() const { return pressedCaptionRect_; }
    ButtonRect focusRect() const { return focusRect_; }
    QRect pictureRect() const { return QRect(picLeft_, picTop_, picWidth_, picHeight_); }
    std::uint8_t currentState() const { return state_; }
    bool paintFlag() const { return paint_; }
    bool hovering() const { return hovering_; }
    bool overTimerActive() const { return OverTimer_.isActive(); }
    QString accessKeys() const { return accessKeys_.keys(); }
    // Told every time Redraw actually paints, with the state painted.
    std::function<void(std::uint8_t state)> onPainted;
    // Where the cursor is, in global coordinates (QCursor::pos unless a host or a test says otherwise).
    std::function<QPoint()> cursorPosition;

    // Colour operations with this button's SoftBevel.
    std::int32_t ShiftColor(std::int32_t colour, std::int32_t amount, bool proportional) const {
        return vellumo::ShiftColor(colour, amount, proportional, m_SoftBevel);
    }
    static std::int32_t TintColor(std::int32_t colour, std::int32_t level) { return vellumo::TintColor(colour, level); }

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

private:
    // What the button keeps in its drawing surface rather than in its own fields.
    struct SurfaceSettings {
        QFont font;
        std::int16_t mousePointer = 0;
        QImage mouseIcon;
        std::int32_t textColor = 0;
        std::optional<std::int16_t> sizeAsSet; // a FontSize of 0 or less, which the font cannot hold
    };

    bool designMode() const;
    bool displayAsDefault() const;
    bool IsMouseOver() const;
    void SetAccessKey();
    // A new font object for the surface; applySurfaceFont changes the one it has.
    void setSurfaceFont(const QFont& font);
    void applySurfaceFont(const QFont& font);
    void setSurfacePointer(std::int16_t pointer);
    void setSurfaceIcon(const QImage& icon);
    void changeFont(const std::function<void(QFont&)>& change);
    QString ansiCaption() const;
    void refreshSurface();

    // Layout and region (tesk_button_layout.cpp).
    void CreateButtonRegion();
    void GetPictureSize();
    void CalcPictureRect();

    // Painting (tesk_button_paint.cpp, tesk_button_looks.cpp, tesk_button_picture.cpp). Redraw paints
    // the look of ButtonType in one of three states, as the look's row (Look) says.
    enum class LookState : std::uint8_t { Up, Pressed, Disabled };
    enum class Tone : std::uint8_t;
    struct Look;
    static const Look* findLook(std::int32_t type);
    void paintLook(LookState state);
    void paintBevelLook(const Look& look, LookState state, std::uint8_t caption);
    void paintWindows32(const Look& look, LookState state, std::uint8_t caption);
    void paintWindowsXP(const Look& look, LookState state, std::uint8_t caption);
    void paintMac(const Look& look, LookState state, std::uint8_t caption);
    void paintJavaMetal(const Look& look, LookState state, std::uint8_t caption);
    void paintOfficeXP(const Look& look, LookState state, std::uint8_t caption);
    void paintTransparent(const Look& look, LookState state, std::uint8_t caption);
    void paintOvalFlat(const Look& look, LookState state, std::uint8_t caption);
    void paintKDE2(const Look& look, LookState state, std::uint8_t caption);
    std::int32_t tone(Tone t) const;
    // The looks' Shift and ShiftP: ShiftColor without and with the proportional blue channel.
    std::int32_t Shift(std::int32_t colour, std::int32_t amount) const { return ShiftColor(colour, amount, false); }
    std::int32_t ShiftP(std::int32_t colour, std::int32_t amount) const { return ShiftColor(colour, amount, true); }
    void DrawRect(int x, int y, int w, int h, std::int32_t colour, bool frameOnly);
    void DrawLine(int x1, int y1, int x2, int y2, std::int32_t colour);
    void DrawPixel(int x, int y, std::int32_t colour);
    // The four pixels just inside the corners of the client area.
    void DrawCorners(std::int32_t colour);
    void DrawEllipse(int x, int y, int w, int h, std::int32_t penColour, std::int32_t brushColour);
    void DrawBevel(std::int32_t tl1, std::int32_t br1, std::int32_t tl2, std::int32_t br2, int offset, bool single);
    void DrawFocus();
    void DrawGradient(std::int32_t start, int k, bool proportional);
    void DrawCaption(std::uint8_t style);
    void DrawCaptionEffect(const ButtonRect& rect);
    void drawText(const ButtonRect& rect);
    void DrawPicture(int pictureState);
    void DrawPictureEffect(int offset, const QImage& picture);
    void PaintPictureDIB(Surface& target, int x, int y, int w, int h, const QImage& picture, std::int32_t maskColour,
                         std::int32_t tint, bool silhouette, bool greyscale, bool blend);
    void paintAt(int dx, int dy, const QImage& picture, std::int32_t tint = -1, bool silhouette = false,
                 bool greyscale = false, bool blend = false);

    ControlInput surfaceInput_;
    ControlEvents surfaceHandlers_;
    AccessKeys accessKeys_;
    QTimer OverTimer_;
    SurfaceSettings surface_;
    Surface canvas_;    // the persistent drawing of the surface
    QImage background_; // the Transparent look's memory bitmap; null until the first show as Transparent
    QRegion region_;

    // Stored properties.
    std::int32_t m_ButtonType = Windows32;
    std::int32_t m_ColorScheme = UseWindows;
    std::int32_t m_PicturePosition = cbLeft;
    std::int32_t m_SpecialEffect = cbNone;
    std::int32_t m_BackColor = 0;
    std::int32_t m_BackOver = 0;
    std::int32_t m_ForeColor = 0;
    std::int32_t m_ForeOver = 0;
    std::int32_t m_MaskColor = 0;
    bool m_UseMaskColor = false;
    bool m_UseGreyscale = false;
    bool m_HandPointer = false;
    bool m_Enabled = false;
    bool m_SoftBevel = false;
    bool m_ShowFocusRect = false;
    bool m_CheckBoxBehaviour = false;
    bool m_Value = false;
    QImage m_PictureNormal;
    QImage m_PictureOver;
    QString m_Caption;

    // Working state.
    int W_ = 0;
    int H_ = 0;
    ButtonRect captionRect_;
    ButtonRect pressedCaptionRect_;
    ButtonRect focusRect_;
    int captionWidth_ = 0;
    int captionHeight_ = 0;
    int picLeft_ = 0;
    int picTop_ = 0;
    int picWidth_ = 0;
    int picHeight_ = 0;
    ButtonColors colors_;
    std::uint8_t m_Button = 0; // the remembered mouse button
    std::uint8_t m_Key = 0;    // the remembered key code
    bool hasFocus_ = false;
    std::uint8_t state_ = 0; // 0 up, 2 down
    QString lastCaption_;
    bool paint_ = false;
    bool hovering_ = false;
    bool capturing_ = false;
    std::uint8_t lastCaptionStyle_ = 0;
};

} // namespace vellumo
