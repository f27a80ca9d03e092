// The level meter and the process-wide metering switch.
#include "editor/VuMeterS.h"

#include "platform/gui/CFrame.h"

#include <algorithm>
#include <atomic>

namespace
{

std::atomic<bool> meteringOn{true};

// Marks every meter inside container (at any depth) for redrawing.
void dirtyAllMeters(CViewContainer& container)
{
    for (int i = 0; i < container.getNbViews(); ++i) {
        CView* view = container.getView(i);
        if (auto* meter = dynamic_cast<VuMeterS*>(view))
            meter->setDirty();
        else if (view->isContainer())
            dirtyAllMeters(*static_cast<CViewContainer*>(view));
    }
}

} // namespace

VuMeterS::VuMeterS(const CRect& rect, CControlListener* l, const CBitmap* on, const CBitmap* off, int count)
    : CControl(rect, l, -1), onBitmap(on), offBitmap(off), segments(std::max(count, 1))
{
}

VuMeterS::~VuMeterS() = default;

bool VuMeterS::isMeteringOn()
{
    return meteringOn.load(std::memory_order_relaxed);
}

void VuMeterS::setMeteringOn(bool on)
{
    meteringOn.store(on, std::memory_order_relaxed);
}

void VuMeterS::toggleMetering()
{
    setMeteringOn(!isMeteringOn());
}

int VuMeterS::darkSegments() const
{
    const float level = isMeteringOn() ? getValueNormalized() : 0.0f;
    return static_cast<int>((1.0f - level) * float(segments) + 0.5f);
}

void VuMeterS::draw(CDrawContext& context)
{
    const int w = size.getWidth();
    const int h = size.getHeight();
    if (w <= 0 || h <= 0) return setDirty(false);
    if (!offscreen) offscreen = std::make_unique<COffscreenContext>(w, h);
    // Start from transparent pixels, so that see-through parts of the images show the editor
    // behind the meter rather than an earlier level.
    cairo_t* cr = offscreen->getCairo();
    cairo_save(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
    cairo_paint(cr);
    cairo_restore(cr);
    // The boundary between dark and lit segments, in rows of the on image.
    const int onHeight = onBitmap ? onBitmap->getHeight() : h;
    const int y = static_cast<int>(double(darkSegments()) / segments * onHeight);
    if (onBitmap) offscreen->drawBitmap(*onBitmap, CRect(0, y, w, h), {0, y});
    if (offBitmap) offscreen->drawBitmap(*offBitmap, CRect(0, 0, w, y), {0, 0});
    cairo_surface_flush(offscreen->getBitmap().getSurface());
    context.drawBitmap(offscreen->getBitmap(), size);
    setDirty(false);
}

CMouseEventResult VuMeterS::onMouseDown(CPoint&, int)
{
    toggleMetering();
    setDirty();
    if (CFrame* frame = getFrame()) dirtyAllMeters(*frame);
    return kMouseEventHandled;
}
