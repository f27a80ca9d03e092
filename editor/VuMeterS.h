// VuMeterS: a level meter of segments; the on image shows the lit part from the bottom up, the
// off image the rest above it.
//
// VuMeterS(size, listener, on, off, segments)
//   value                          the level 0..1
//   draw                           s = int((1 - level) * segments + 0.5) dark segments from the
//                                  top: the off image over the top s / segments of the height,
//                                  the on image below; composed in an offscreen of the control's
//                                  size (made on the first draw) and copied out
//   Press (any button): switches metering on or off for every meter of the process; all meters
//   of the frame redraw.
// Metering switch (process-wide, on at start): while off every meter draws as level 0 and the
// editor's idle leaves the meters alone.
//   isMeteringOn(), setMeteringOn(on), toggleMetering()
//
// User-interface thread only (the switch is atomic only so that it is never torn).
#pragma once

#include "platform/gui/CControl.h"

#include <memory>

class COffscreenContext;

class VuMeterS : public CControl
{
  public:
    static constexpr int kSegments = 31;

    VuMeterS(const CRect& size, CControlListener* listener, const CBitmap* on, const CBitmap* off,
             int segments = kSegments);
    ~VuMeterS() override;

    static bool isMeteringOn();
    static void setMeteringOn(bool on);
    static void toggleMetering();

    // The number of dark segments from the top at the current level (metering switch applied).
    int darkSegments() const;
    int getSegments() const { return segments; }

    void draw(CDrawContext& context) override;
    CMouseEventResult onMouseDown(CPoint& where, int buttons) override;

  private:
    const CBitmap* onBitmap;
    const CBitmap* offBitmap;
    int segments;
    std::unique_ptr<COffscreenContext> offscreen;
};
