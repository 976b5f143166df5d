#pragma once
// Panels, the flow panel, the image control and the message-loop timer.

#include "toolkit/Controls.h"
#include "toolkit/Graphics.h"

class QTimer;

namespace tallivo {

enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };

class TPanel : public TCustomControl {
public:
    explicit TPanel(TComponent* AOwner);

    TBevelCut BevelOuter() const { return FBevelOuter; }
    void SetBevelOuter(TBevelCut v);
    TBevelCut BevelInner() const { return FBevelInner; }
    void SetBevelInner(TBevelCut v);
    int BorderWidth() const { return FBorderWidth; }
    void SetBorderWidth(int v);
    bool ShowCaption() const { return FShowCaption; }
    void SetShowCaption(bool v);
    // A panel with a parent background lets its parent show through; giving
    // the panel a colour of its own turns this off.
    bool ParentBackground() const { return FParentBackground; }
    void SetParentBackground(bool v);

protected:
    void Paint() override;
    void ColorChanged() override;
    void AlignControls(TRect& Rect) override;
    // Width of the bevels and border on each side.
    int FrameWidth() const;

private:
    TBevelCut FBevelOuter = bvRaised;
    TBevelCut FBevelInner = bvNone;
    int FBorderWidth = 0;
    bool FShowCaption = true;
    bool FParentBackground = true;
};

enum TFlowStyle { fsLeftRightTopBottom };

// Places its controls left to right, with their margins when aligned with
// margins, and moves a control to a new row when it does not fit.
class TFlowPanel : public TPanel {
public:
    explicit TFlowPanel(TComponent* AOwner);

    bool AutoWrap() const { return FAutoWrap; }
    void SetAutoWrap(bool v);

protected:
    void AlignControls(TRect& Rect) override;

private:
    bool FAutoWrap = true;
};

class TImage : public TGraphicControl {
public:
    explicit TImage(TComponent* AOwner);

    TPicture& Picture() { return FPicture; }
    bool Center() const { return FCenter; }
    void SetCenter(bool v);
    bool Stretch() const { return FStretch; }
    void SetStretch(bool v);
    bool Proportional() const { return FProportional; }
    void SetProportional(bool v);
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool v);
    // Where the picture is drawn inside the control.
    TRect DestRect() const;

protected:
    void Paint() override;

private:
    TPicture FPicture;
    bool FCenter = false;
    bool FStretch = false;
    bool FProportional = false;
    bool FTransparent = false;
};

class TTimer : public TComponent {
public:
    explicit TTimer(TComponent* AOwner);
    ~TTimer() override;

    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool v);
    int Interval() const { return FInterval; }
    void SetInterval(int ms);

    TNotifyEvent OnTimer;

private:
    void Update();
    QTimer* FTimer;
    bool FEnabled = true;
    int FInterval = 1000;
};

} // namespace tallivo
