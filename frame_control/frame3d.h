#pragma once
// Frame3D: the one control of the library Lumbra, a panel with a three-dimensional border, an inner
// bevel, rounded corners, a caption with a 3-D look, a gradient fill and a percentage bar (flood).
// The main program's status line is one of them; it writes only ForeColor and then Caption, by
// dispatch number.
//
// The control is its drawing surface (this widget) and three constituent labels: lblCaption (the
// caption), lblCaptionShadow (a copy of it in the Border3DHighlight colour) and lblCaptionBlank (an
// opaque BackColor patch behind a caption on the frame line). It is created by the library's class
// object (or directly by a test) on a container's ControlSite, which must outlive it.
//
// Invariants: lblCaptionShadow has lblCaption's text, font, alignment and mnemonic flag and the
// Border3DHighlight text colour; the corner diameter is twice CornerRadius (unless doubling
// overflowed, which raises error 6 after the radius is stored); FloodPercent written through its
// property stays within 0..100. Colours are 0x00BBGGRR values, &H800000nn naming system colour nn.
//
// Saved keys, written in this order (every key every time) and read back each with its default:
//
//   #  key                type      #  key                 type      #  key             type
//   1  BorderType         32-bit   12  FloodPercent        32-bit   23  CaptionMAlignment 16-bit
//   2  BevelWidth         32-bit   13  FloodShowPct        Boolean  24  Font            font
//   3  BevelInner         32-bit   14  FloodType           32-bit   25  FontBold        Boolean
//   4  Caption3D          32-bit   15  FloodColor          32-bit   26  FontItalic      Boolean
//   5  CaptionAlignment   32-bit   16  FillGradient        32-bit   27  FontName        text
//   6  CaptionLocation    32-bit   17  MousePointer        16-bit   28  FontSize        float
//   7  BackColor          32-bit   18  MouseIcon           picture  29  FontStrikethru  Boolean
//   8  CornerDiameter     32-bit   19  Picture             picture  30  FontUnderline   Boolean
//      (holds the radius)          20  Border3DHighlight   32-bit   31  ForeColor       32-bit
//   9  FillColor          32-bit   21  Border3DShadow      32-bit   32  Caption         text
//  10  FillStyle          16-bit   22  Enabled             Boolean  33  UseMnemonic     Boolean
//  11  DrawStyle          16-bit
//
// The property-bag handlers trap every failure of each step, log it through LogError with a message
// box and go on with the next step; property writes return their failures to the caller.
//
// The surface's Picture is its background: clearing the surface lays BackColor and then the picture
// at the top left corner, at its own size, and everything the painter draws goes over it. Writing
// Picture does not repaint; the new picture takes the old one's place under what is drawn.
// The caption's access key (an "&" mark with UseMnemonic) is an Alt+key shortcut of the frame's window
// that runs the access-key handler. hWnd gives the frame's own native window, which reading it creates
// (its ancestors stay as they are).

#include "frame_control/caption_label.h"
#include "frame_control/error_log.h"
#include "frame_control/lumbra_export.h"

#include "platform/drawing/surface.h"
#include "platform/drawing/system_colors.h"
#include "platform/hosting/access_keys.h"
#include "platform/hosting/control_input.h"
#include "platform/hosting/hosted_control.h"
#include "platform/hosting/published_enum.h"
#include "platform/hosting/user_control.h"

#include <QFont>
#include <QImage>
#include <QWidget>

#include <cstdint>
#include <functional>

namespace vellumo {

// Published identity and dispatch numbers (internal linkage: see hosted_control.h).
namespace lumbra {
constexpr const char* ProgId = "Lumbra.Frame3D";
constexpr const char* Clsid = "{2DA272E9-0A6E-4B02-958B-F2F9E5C0D521}";
constexpr const char* DispatchIid = "{EF9F115D-4542-427D-A725-CA12AFBE6922}"; // _Frame3D
constexpr const char* EventIid = "{916ADC7A-E3E5-456C-A7AE-1071EA8B8070}";    // __Frame3D
constexpr const char* TypeLibId = "{86C57499-F277-47CB-8709-389823940038}";   // Lumbra 1.0
constexpr const char* LibraryFile = "liblumbra.so";

namespace dispid {
constexpr std::int32_t BackColor = 0x68030025, BevelInner = 0x68030024, BevelWidth = 0x68030023,
                       BorderType = 0x68030022, Border3DHighlight = 0x68030021, Border3DShadow = 0x68030020,
                       Caption = 0x6803001F, CaptionAlignment = 0x6803001E, CaptionMAlignment = 0x6803001D,
                       CaptionLocation = 0x6803001C, Caption3D = 0x6803001B, CornerRadius = 0x6803001A,
                       DrawStyle = 0x68030019, Enabled = 0x68030018, FillColor = 0x68030017, FillGradient = 0x68030016,
                       FillStyle = 0x68030015, FloodColor = 0x68030014, FloodPercent = 0x68030013,
                       FloodShowPct = 0x68030012, FloodType = 0x68030011, Font = 0x68030010, FontBold = 0x6803000F,
                       FontItalic = 0x6803000E, FontName = 0x6803000D, FontSize = 0x6803000C,
                       FontUnderline = 0x6803000B, ForeColor = 0x6803000A, hdc = 0x68030009, hWnd = 0x68030008,
                       InsideHeight = 0x68030007, InsideLeft = 0x68030006, InsideTop = 0x68030005,
                       InsideWidth = 0x68030004, MouseIcon = 0x68030003, MousePointer = 0x68030002,
                       Picture = 0x68030001, UseMnemonic = 0x68030000, DrawGradiant = 0x6003002A;
} // namespace dispid

// Event numbers of the source interface __Frame3D.
namespace eventid {
constexpr std::int32_t Click = 1, DblClick = 2, MouseDown = 3, MouseMove = 4, MouseUp = 5, KeyPress = 6, KeyDown = 7,
                       KeyUp = 8;
} // namespace eventid
} // namespace lumbra

// The enumerations; their members' published names are in frame3dEnums below.
enum enuBorderTypes : std::int32_t {
    NoneBorder = 0,
    FrameInserted = 1,
    FrameRaised = 2,
    PanelFlatShadow = 3,
    PanelFlatHighlight = 4,
    PanelRaised = 5,
    PanelInserted = 6,
    rFrameInserted = 7,
    rFrameRaised = 8,
    rPanelFlatShadow = 9,
    rPanelFlatHighlight = 10,
    rPanelRaised = 11,
    rPanelInserted = 12,
    rNoneBorder = 13,
};
enum enuBevelInner : std::int32_t {
    NoneBevel = 0,
    InsertedBevel = 1,
    RaisedBevel = 2,
    FlatShadow = 3,
    FlatHighlight = 4
};
enum enuCaption3D : std::int32_t { FlatCaption = 0, InsertedCaption = 1, RaisedCaption = 2 };
enum enuCaptionLocation : std::int32_t { InsideFrame = 0, InFrame = 1 };
enum enuCaptionAlignment : std::int32_t {
    TopLeft = 0,
    TopCenter = 1,
    TopRight = 2,
    MiddleLeft = 3,
    MiddleCenter = 4,
    MiddleRight = 5,
    BottomLeft = 6,
    BottomCenter = 7,
    BottomRight = 8,
};
enum enuFillGradient : std::int32_t { NoneGradient = 0, FillHorizontal = 1, FillVertical = 2 };
enum enuFloodType : std::int32_t { LeftToRight = 0, BottomToTop = 1 };

// The seven enumerations in the type library's order: enuBorderTypes, enuBevelInner, enuCaption3D,
// enuCaptionLocation, enuCaptionAlignment, enuFillGradient, enuFloodType.
LUMBRA_EXPORT const EnumTable* frame3dEnums(int* count);
// The published name of value in the enumeration called enumName, or an empty text.
LUMBRA_EXPORT QString frame3dEnumName(const char* enumName, std::int32_t value);

class LUMBRA_EXPORT Frame3D : public QWidget, public UserControl<Frame3D> {
public:
    // site may be null: then nothing is notified and container lookups fail as on a bare container.
    explicit Frame3D(QWidget* parent = nullptr, ControlSite* site = nullptr);
    ~Frame3D() override;

    // Number of Frame3D controls alive in the process (for DllCanUnloadNow).
    static int liveInstances();

    // HostedControl (the host's callbacks reach the handlers below through UserControl)
    void putProperty(std::int32_t dispid, const PropertyValue& value) override;
    PropertyValue getProperty(std::int32_t dispid) override;
    // The one method, DrawGradiant, without arguments.
    PropertyValue invokeMethod(std::int32_t dispid, const std::vector<PropertyValue>& arguments) override;

    // Host callbacks.
    void UserControl_InitProperties();
    void UserControl_ReadProperties(const PropertyBag& PropBag);
    void UserControl_WriteProperties(PropertyBag& PropBag);
    // The access-key notification of the surface: runs its click handling.
    void UserControl_AccessKeyPress(std::int16_t& KeyAscii);
    // An ambient property of the container changed. The frame has nothing to do: it copies its
    // container's BackColor only when it is new, and its caption keeps its own font.
    void UserControl_AmbientChanged(const QString& PropertyName);
    // The access key of the caption now ("" when it has none).
    QString accessKeys() const { return accessKeys_.keys(); }

    // Properties (getter by the property's name, setter with "set").
    std::int32_t BackColor() const { return m_BackColor; }
    void setBackColor(std::int32_t value);
    std::int32_t BevelInner() const { return m_BevelInner; }
    void setBevelInner(std::int32_t value);
    std::int32_t BevelWidth() const { return m_BevelWidth; }
    void setBevelWidth(std::int32_t value);
    std::int32_t BorderType() const { return m_BorderType; }
    void setBorderType(std::int32_t value);
    std::int32_t Border3DHighlight() const { return m_Border3DHighlight; }
    void setBorder3DHighlight(std::int32_t value);
    std::int32_t Border3DShadow() const { return m_Border3DShadow; }
    void setBorder3DShadow(std::int32_t value);
    QString Caption() const;
    void setCaption(const QString& value);
    std::int32_t CaptionAlignment() const { return m_CaptionAlignment; }
    void setCaptionAlignment(std::int32_t value);
    std::int32_t CaptionMAlignment() const;
    void setCaptionMAlignment(std::int32_t value);
    std::int32_t CaptionLocation() const { return m_CaptionLocation; }
    void setCaptionLocation(std::int32_t value);
    std::int32_t Caption3D() const { return m_Caption3D; }
    void setCaption3D(std::int32_t value);
    std::int32_t CornerRadius() const { return m_CornerRadius; }
    void setCornerRadius(std::int32_t value);
    std::int32_t cornerDiameter() const { return m_CornerDiameter; }
    // 16-bit settings of the surface and of the labels read back widened with their sign.
    std::int32_t DrawStyle() const { return surface_.DrawStyle; }
    void setDrawStyle(std::int32_t value);
    bool Enabled() const { return m_Enabled; }
    void setEnabledProperty(bool value);
    std::int32_t FillColor() const { return surface_.FillColor; }
    void setFillColor(std::int32_t value);
    std::int32_t FillGradient() const { return m_FillGradient; }
    void setFillGradient(std::int32_t value);
    std::int32_t FillStyle() const { return surface_.FillStyle; }
    void setFillStyle(std::int32_t value);
    std::int32_t FloodColor() const { return m_FloodColor; }
    void setFloodColor(std::int32_t value);
    std::int32_t FloodPercent() const { return m_FloodPercent; }
    void setFloodPercent(std::int32_t value);
    bool FloodShowPct() const { return m_FloodShowPct; }
    void setFloodShowPct(bool value);
    std::int32_t FloodType() const { return m_FloodType; }
    void setFloodType(std::int32_t value);
    QFont Font() const;
    void setFontObject(const QFont& value);
    bool FontBold() const;
    void setFontBold(bool value);
    bool FontItalic() const;
    void setFontItalic(bool value);
    QString FontName() const;
    void setFontName(const QString& value);
    std::int32_t FontSize() const;
    void setFontSize(std::int32_t value);
    bool FontUnderline() const;
    void setFontUnderline(bool value);
    std::int32_t ForeColor() const;
    void setForeColor(std::int32_t value);
    std::int32_t hdc() const;
    std::int32_t hWnd() const;
    std::int32_t InsideHeight() const { return m_InsideHeight; }
    std::int32_t InsideLeft() const { return m_InsideLeft; }
    std::int32_t InsideTop() const { return m_InsideTop; }
    std::int32_t InsideWidth() const { return m_InsideWidth; }
    QImage MouseIcon() const { return surface_.MouseIcon; }
    void setMouseIcon(const QImage& value);
    std::int32_t MousePointer() const { return surface_.MousePointer; }
    void setMousePointer(std::int32_t value);
    QImage Picture() const { return surface_.Picture; }
    void setPicture(const QImage& value);
    bool UseMnemonic() const;
    void setUseMnemonic(bool value);

    // The constituent labels, front to back.
    CaptionLabel& lblCaption() { return *lblCaption_; }
    CaptionLabel& lblCaptionShadow() { return *lblCaptionShadow_; }
    CaptionLabel& lblCaptionBlank() { return *lblCaptionBlank_; }

    // The full repaint and the bar repaint. They never fail to their caller: a failing step is logged
    // (no message box) and the next one runs. The full repaint clears the surface to BackColor, lays
    // the gradient, draws the border and gives the window its region, then the inner bevel (with the
    // bar) and the caption placement; the Inside* values are in twips (pixels x twips per pixel).
    void UserControl_Resize();
    void DrawFlood();
    // The control's one method: the gradient from FillColor to BackColor over the whole surface,
    // column by column (FillGradient 1) or row by row (2). It logs nothing; a failing step is skipped.
    void DrawGradiant();

    // What the painter drew last (the persistent image shown by the paint event) and where it put the
    // frame's top line and the caption, in pixels.
    const Surface& drawingSurface() const { return canvas_; }
    float FrameTop() const { return m_FrameTop; }
    float CaptionLeft() const { return m_CaptionLeft; }
    float CaptionTop() const { return m_CaptionTop; }

    // Where LogError appends its records; the library's own folder unless changed.
    ErrorLog& errorLog() { return errorLog_; }
    void LogError(bool show, const QString& number, const QString& description, const QString& module,
                  const QString& procedure);

    // Told the name of each repaint routine a caller starts ("UserControl_Resize", "DrawFlood"), so that
    // a holder (or a test) can see what a property write repaints; the bar drawn inside a full repaint
    // is part of that repaint and not told again.
    std::function<void(const char* routine)> onRepaint;

protected:
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    // The drawing settings that live in the surface rather than in the control's fields.
    struct SurfaceSettings {
        std::int32_t FillColor = 0x00FFC19F;
        std::int16_t FillStyle = 1; // transparent
        std::int16_t DrawStyle = 0; // solid
        std::int16_t MousePointer = 0;
        QImage MouseIcon;
        QImage Picture;
    };

    std::int32_t containerBackColor() const;
    void setBothCaptions(const QString& text);
    // Runs step; a failure is logged under procedure (with a box when show) and does not go further.
    void trap(const char* procedure, bool show, const std::function<void()>& step);
    void setSurfaceFillStyle(std::int16_t value);
    void setSurfaceDrawStyle(std::int16_t value);
    void setSurfaceMousePointer(std::int16_t value);
    // The surface's background: BackColor with the Picture at its top left corner.
    static void layBackground(Surface& surface, std::int32_t backColor, const QImage& picture);
    void clearSurface(std::int32_t backColor);
    void applyFont(const std::function<void(QFont&)>& change, bool shadowToo);

    // Painting steps (frame3d_paint.cpp): the full repaint's, in their order, then the routines after
    // the border.
    struct BorderGeometry;
    void resizeStep(const std::function<void()>& statement);
    BorderGeometry placeBorder();
    void setUpSurface();
    void setInsideOfBorder(const BorderGeometry& g);
    void DrawBorder(const BorderGeometry& g);
    void drawFrame(const BorderGeometry& g, std::int32_t first, std::int32_t second, std::int32_t e);
    void drawFlatPanel(const BorderGeometry& g, std::int32_t pen, float inset, std::int32_t e);
    void drawFace(const BorderGeometry& g, std::int32_t e);
    void drawPanel(const BorderGeometry& g, bool raised);
    void drawRoundedPanel(const BorderGeometry& g, std::int32_t topLeft, std::int32_t bottomRight);
    void clipWindow(const BorderGeometry& g);
    void DrawBevelInner();
    void DrawCaptionAlignment();
    void DrawCaptionStyle();
    static void ColorToRGB(std::int32_t colour, float& red, float& green, float& blue);
    // The surface's primitives with Single coordinates, rounded half to even (error 6 when a value
    // leaves the 32-bit range): Box outlines in the foreground colour and fills with the surface's
    // fill; Line and Arc draw in c with the surface's DrawStyle; Region clips the window.
    void Box(float left, float top, float right, float bottom, std::int32_t e);
    void Line(float x1, float y1, float x2, float y2, std::int32_t c);
    void Arc(float cx, float cy, float radius, std::int32_t c, float a1, float a2);
    void Region(float left, float top, float right, float bottom, std::int32_t e);
    double twipsPerPixelX() const;
    double twipsPerPixelY() const;

    ErrorLog errorLog_;
    SurfaceSettings surface_;
    CaptionLabel* lblCaptionBlank_;
    CaptionLabel* lblCaptionShadow_;
    CaptionLabel* lblCaption_;
    ControlInput surfaceInput_;
    ControlInput captionInput_;
    ControlInput shadowInput_;
    ControlInput blankInput_;
    AccessKeys accessKeys_;

    std::int32_t m_BorderType = 0;
    std::int32_t m_BevelInner = 0;
    std::int32_t m_Caption3D = 0;
    std::int32_t m_CaptionAlignment = 0;
    std::int32_t m_CaptionLocation = 0;
    std::int32_t m_FloodType = 0;
    std::int32_t m_FillGradient = 0;
    std::int32_t m_BevelWidth = 0;
    std::int32_t m_Border3DHighlight = 0;
    std::int32_t m_Border3DShadow = 0;
    std::int32_t m_BackColor = 0;
    bool m_Enabled = false;
    std::int32_t m_FloodPercent = 0;
    bool m_FloodShowPct = false;
    std::int32_t m_FloodColor = 0;
    std::int32_t m_CornerRadius = 0;
    std::int32_t m_CornerDiameter = 0;
    std::int32_t m_InsideHeight = 0;
    std::int32_t m_InsideWidth = 0;
    std::int32_t m_InsideLeft = 0;
    std::int32_t m_InsideTop = 0;

    Surface canvas_;
    std::int32_t foreColor_ = 0;                           // the surface's pen colour
    std::int32_t surfaceBackColor_ = syscolor::ButtonFace; // the surface's background colour
    float m_FrameTop = 0;
    float m_CaptionLeft = 0;
    float m_CaptionTop = 0;
    int repaintDepth_ = 0;
};

} // namespace vellumo
