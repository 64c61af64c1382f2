#pragma once

#include "base/Twips.h"

#include <initializer_list>
#include <vector>

namespace zemo {

// The resize layout of a sizable window: on every pass, each control named in the window's table
// moves or stretches by a part (the difference divided by the rule's divisor) of how far the (enforced) outer
// size is from the size remembered at the end of the previous pass. Nothing else moves.
enum class Edge { Left, Width, Height };
// What a rule's part is taken of: the width difference, the height difference, or the height
// difference as a list box follows it (it grows by dH / 0.9 and shrinks by dH / 1.1).
enum class Delta { Width, Height, ListHeight };

template <class Rects> struct ResizeRule {
    TwipsRect Rects::*control;
    Edge edge;
    Delta delta;
    double divisor;
};

template <class Rects> struct WindowResize {
    TwipsSize minimum;
    std::vector<ResizeRule<Rects>> rules; // applied in this order
};

template <class Rects> struct LayoutPass {
    bool laidOut = false; // false while minimised: nothing changes
    TwipsSize enforced;   // the outer size the window must have (the current one, raised to the minimum)
    Rects rects;
    TwipsSize remembered; // the remembered size for the next pass
};

inline double listHeightDelta(double dH) {
    return dH >= 0 ? dH / 0.9 : dH / 1.1;
}

template <class Rects>
LayoutPass<Rects> layoutWindow(const WindowResize<Rects>& table, const Rects& rects, TwipsSize remembered,
                               TwipsSize current, bool minimized) {
    LayoutPass<Rects> out{false, current, rects, remembered};
    if (minimized)
        return out;
    const ResizeDelta d = resizeDelta(remembered, current, table.minimum);
    for (const ResizeRule<Rects>& rule : table.rules) {
        const double delta =
            rule.delta == Delta::Width ? d.dW : (rule.delta == Delta::Height ? d.dH : listHeightDelta(d.dH));
        TwipsRect& r = out.rects.*rule.control;
        float& value = rule.edge == Edge::Left ? r.left : (rule.edge == Edge::Width ? r.width : r.height);
        shiftTwips(value, delta / rule.divisor);
    }
    out.laidOut = true;
    out.enforced = d.enforced;
    out.remembered = d.enforced;
    return out;
}

} // namespace zemo
