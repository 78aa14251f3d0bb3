#include "framework/ui/t_layout_window.h"

#include <algorithm>
#include <memory>

#include "framework/ui/display.h"

namespace vael {

namespace {
constexpr std::int32_t One = TConstraint::One;

TLayoutWindow::TextHeight& textHeightSource() {
    static TLayoutWindow::TextHeight source = nullptr;
    return source;
}

int indexOf(const TConstraint& c, const TVariable* v) {
    for (int i = 0; i < 3; ++i)
        if (c.inputs[i] && c.inputs[i] == v) return i;
    return -1;
}
} // namespace

TWindowMetrics::TWindowMetrics() {
    x.set(lmLeft, lmAsIs, nullptr, lmLeft, 0, lmLayoutUnits);
    y.set(lmTop, lmAsIs, nullptr, lmTop, 0, lmLayoutUnits);
    width.set(lmWidth, lmAsIs, nullptr, lmWidth, 0, lmLayoutUnits);
    height.set(lmHeight, lmAsIs, nullptr, lmHeight, 0, lmLayoutUnits);
}

void TWindowMetrics::setUnits(std::uint8_t units) {
    x.setUnits(units);
    y.setUnits(units);
    width.setUnits(units);
    height.setUnits(units);
}

bool TConstraint::addInput(TVariable* input, std::int32_t coefficient) {
    const int n = inputCount();
    if (n == 3) return false;
    inputs[n] = input;
    coefficients[n] = coefficient;
    return true;
}

// Summed in 64 bits: a coefficient of 2.0 times a far edge would overflow 32.
std::int16_t TConstraint::evaluate() const {
    std::int64_t sum = constant;
    for (int i = 0; i < 3 && inputs[i]; ++i)
        sum += static_cast<std::int64_t>(coefficients[i]) * inputs[i]->value;
    return static_cast<std::int16_t>(sum >> 16);
}

TLayoutWindow::TextHeight TLayoutWindow::setTextHeight(TextHeight source) {
    const TextHeight previous = textHeightSource();
    textHeightSource() = source;
    return previous;
}

TLayoutWindow::TLayoutWindow(Display* display, const Dim& size) : size_(size), display_(display) {
    for (TVariable& v : own_)
        v.resolved = 1;
}

TLayoutWindow::~TLayoutWindow() {
    for (TConstraint* c : unordered_)
        delete c;
    for (TConstraint* c : plan_)
        delete c;
    for (TChildMetrics* r : children_)
        delete r;
}

TChildMetrics* TLayoutWindow::find(const Display* child) const {
    for (TChildMetrics* r : children_)
        if (r->child == child) return r;
    return nullptr;
}

TVariable* TLayoutWindow::variablesOf(const Display* window) {
    if (!window) return own_;
    TChildMetrics* r = find(window);
    return r ? r->variables : nullptr;
}

void TLayoutWindow::setChildMetrics(Display* child, const TWindowMetrics& metrics) {
    if (TChildMetrics* r = find(child)) {
        removeConstraints(*r);
        r->metrics = metrics;
    } else {
        auto* record = new TChildMetrics;
        record->child = child;
        record->metrics = metrics;
        children_.insert(children_.begin(), record);
    }
    planIsDirty_ = 1;
}

std::int16_t TLayoutWindow::getChildMetrics(Display* child, TWindowMetrics& metrics) const {
    const TChildMetrics* r = find(child);
    if (!r) return 0;
    metrics = r->metrics;
    return 1;
}

std::int16_t TLayoutWindow::removeChild(Display* child) {
    TChildMetrics* removed = find(child);
    if (!removed) return 0;
    removeConstraints(*removed);
    children_.erase(std::find(children_.begin(), children_.end(), removed));
    TWindowMetrics& gone = removed->metrics;
    for (TChildMetrics* r : children_) {
        bool refers = false;
        for (int e = 0; e < 4; ++e) {
            TEdgeConstraint& c = r->metrics.edge(e);
            if (c.relWin != child) continue;
            refers = true;
            const std::uint8_t sizeEdge = e % 2 == 0 ? lmWidth : lmHeight;
            if (e >= 2 && c.myEdge() == sizeEdge) {
                c.setRelationship(lmAsIs);
                c.relWin = nullptr;
                continue;
            }
            const TEdgeConstraint& source =
                e < 2 || gone.edge(e).myEdge() != sizeEdge ? gone.edge(e) : gone.edge(e - 2);
            c.relWin = source.relWin;
            if (!source.relWin) c.setOtherEdge(source.otherEdge());
        }
        // Its equations read the variables of the child that is gone; they are made again from the
        // mended record.
        if (refers) removeConstraints(*r);
    }
    delete removed;
    planIsDirty_ = 1;
    return 1;
}

void TLayoutWindow::removeConstraints(TChildMetrics& record) {
    const auto belongs = [&](TConstraint* c) {
        const bool mine = c->output >= record.variables && c->output < record.variables + 4;
        if (mine) delete c;
        return mine;
    };
    std::erase_if(unordered_, belongs);
    std::erase_if(plan_, belongs);
    for (TVariable& v : record.variables)
        v.determinedBy = nullptr;
    record.generated = 0;
    planIsDirty_ = 1;
}

void TLayoutWindow::setSize(const Dim& size) {
    size_ = size;
    layout();
}

std::int16_t TLayoutWindow::toPixels(std::int16_t value, std::uint8_t units) const {
    if (units == lmPixels) return value;
    return static_cast<std::int16_t>((textHeight_ * value + 4) / 8);
}

void TLayoutWindow::layout() {
    if (children_.empty()) return;
    textHeight_ = textHeightSource() ? textHeightSource()() : DefaultTextHeight;
    own_[lmLeft].value = 0;
    own_[lmTop].value = 0;
    own_[lmRight].value = static_cast<std::int16_t>(size_.w - 1);
    own_[lmBottom].value = static_cast<std::int16_t>(size_.h - 1);
    if (planIsDirty_) {
        planIsDirty_ = 0;
        for (TChildMetrics* r : children_)
            buildConstraints(*r);
        buildPlan();
    }
    for (TConstraint* c : plan_)
        c->output->value = c->evaluate();
    // A child may take itself out of its parent while it is placed; the copy keeps the walk sound.
    const std::vector<TChildMetrics*> records = children_;
    for (TChildMetrics* r : records) {
        if (std::find(children_.begin(), children_.end(), r) == children_.end()) continue;
        const TVariable* v = r->variables;
        r->child->place(Box(v[lmLeft].value, v[lmTop].value,
                            static_cast<std::int16_t>(v[lmRight].value - v[lmLeft].value + 1),
                            static_cast<std::int16_t>(v[lmBottom].value - v[lmTop].value + 1)));
    }
}

void TLayoutWindow::drawChildren() {
    const std::vector<TChildMetrics*> records = children_;
    for (TChildMetrics* r : records)
        r->child->draw();
}

void TLayoutWindow::buildConstraints(TChildMetrics& record) {
    if (record.generated) return;
    record.generated = 1;
    Display& child = *record.child;
    TVariable* v = record.variables;
    // The horizontal pass, then the vertical one; each sets its position edge, then its size edge.
    for (int axis = 0; axis < 2; ++axis) {
        const std::uint8_t low = axis == 0 ? lmLeft : lmTop, high = axis == 0 ? lmRight : lmBottom;
        const std::int16_t at = axis == 0 ? child.origin().x : child.origin().y;
        const std::int16_t far =
            static_cast<std::int16_t>(at + (axis == 0 ? child.width() : child.height()) - 1);

        const TEdgeConstraint& position = record.metrics.edge(axis);
        if (position.relationship() == lmAsIs) {
            if (position.myEdge() == low)
                v[low].value = at;
            else
                v[high].value = far;
        } else if (position.relationship() == lmAbsolute && position.myEdge() != lmCenter) {
            v[position.myEdge() == low ? low : high].value = toPixels(position.value, position.units());
        } else {
            buildConstraint(record, axis);
        }
    }
    for (int axis = 0; axis < 2; ++axis) {
        const std::uint8_t high = axis == 0 ? lmRight : lmBottom;
        const std::int16_t at = axis == 0 ? child.origin().x : child.origin().y;
        const TEdgeConstraint& size = record.metrics.edge(axis + 2);
        if (size.myEdge() == high && size.relationship() == lmAsIs)
            v[high].value = static_cast<std::int16_t>(at + (axis == 0 ? child.width() : child.height()) - 1);
        else if (size.myEdge() == high && size.relationship() == lmAbsolute)
            v[high].value = toPixels(size.value, size.units());
        else
            buildConstraint(record, axis + 2);
    }
}

void TLayoutWindow::buildConstraint(TChildMetrics& record, int e) {
    const TEdgeConstraint& c = record.metrics.edge(e);
    const std::uint8_t own = c.myEdge(), rel = c.relationship(), otherEdge = c.otherEdge();
    const bool across = e == 0 || e == 2; // an equation over left and right rather than top and bottom
    TVariable* v = record.variables;
    auto k = std::make_unique<TConstraint>();
    TVariable* out = e == 0 && own == lmRight    ? &v[lmRight]
                     : e == 1 && own == lmBottom ? &v[lmBottom]
                                                 : &v[e];

    bool sound = true;
    if (rel != lmAsIs && rel != lmAbsolute) {
        TVariable* other = variablesOf(c.relWin);
        if (!other) return;
        if (otherEdge <= lmBottom) {
            k->addInput(&other[otherEdge], One);
        } else if (otherEdge == lmCenter) {
            k->addInput(&other[across ? lmLeft : lmTop], One / 2);
            k->addInput(&other[across ? lmRight : lmBottom], One / 2);
        } else if (otherEdge == lmWidth || otherEdge == lmHeight) {
            k->addInput(&other[otherEdge == lmWidth ? lmRight : lmBottom], One);
            k->addInput(&other[otherEdge == lmWidth ? lmLeft : lmTop], -One);
            k->constant += One;
        } else {
            return;
        }
    }
    const std::int32_t value = rel == lmPercentOf ? c.value : toPixels(c.value, c.units());
    switch (rel) {
    case lmAsIs:
        k->constant += (e == 2 ? record.child->width() : record.child->height()) * One;
        break;
    case lmPercentOf: {
        const std::int32_t factor =
            static_cast<std::int32_t>((static_cast<std::int64_t>(value) * 65536) / 100) >> 8;
        k->coefficients[0] = (k->coefficients[0] >> 8) * factor;
        k->constant = (k->constant >> 8) * factor;
        if (otherEdge >= lmCenter) k->coefficients[1] = (k->coefficients[1] >> 8) * factor;
        break;
    }
    case lmAbove:
        k->constant += (-1 - value) * One;
        break;
    case lmBelow:
        k->constant += (value + 1) * One;
        break;
    case lmSameAs:
    case lmAbsolute:
        k->constant += value * One;
        break;
    default:
        return;
    }

    if (own == lmCenter) {
        // The equation gives the centre; the edge is twice the centre less the opposite edge.
        TVariable* low = &v[across ? lmLeft : lmTop];
        TVariable* high = &v[across ? lmRight : lmBottom];
        const bool lowOut = e < 2 || record.metrics.edge(e - 2).myEdge() == (across ? lmRight : lmBottom);
        out = lowOut ? low : high;
        for (std::int32_t& coefficient : k->coefficients)
            coefficient *= 2;
        k->constant *= 2;
        sound = k->addInput(lowOut ? high : low, -One);
    } else if (own == lmWidth || own == lmHeight) {
        const bool wide = own == lmWidth;
        const int lead = wide ? 0 : 1;
        TVariable* low = &v[wide ? lmLeft : lmTop];
        TVariable* high = &v[wide ? lmRight : lmBottom];
        if (e == lead || record.metrics.edge(lead).myEdge() == (wide ? lmRight : lmBottom)) {
            for (std::int32_t& coefficient : k->coefficients)
                coefficient = -coefficient;
            k->constant = -k->constant + One;
            sound = k->addInput(high, One);
            if (e == lead + 2) out = low;
        } else {
            sound = k->addInput(low, One);
            k->constant -= One;
            k->output = out;
            if (sound && low->determinedBy) substitute(*low->determinedBy, *k);
        }
    }
    if (!sound) return;
    k->output = out;
    out->determinedBy = k.get();
    unordered_.insert(unordered_.begin(), k.release());
}

void TLayoutWindow::substitute(TConstraint& earlier, const TConstraint& added) {
    const int at = indexOf(earlier, added.output);
    if (at < 0) return;
    int count = earlier.inputCount() - 1;
    for (int j = 0; j < added.inputCount(); ++j)
        if (added.inputs[j] != earlier.output && indexOf(earlier, added.inputs[j]) < 0) ++count;
    const std::int32_t k = earlier.coefficients[at];
    const std::int32_t divisor = (One - k) >> 8;
    if (count > 3 || divisor == 0) return;

    earlier.constant += (k >> 8) * (added.constant >> 8);
    for (int j = 0; j < added.inputCount(); ++j) {
        const int m = indexOf(earlier, added.inputs[j]);
        if (m >= 0 && m != at) earlier.coefficients[m] += (k >> 8) * (added.coefficients[j] >> 8);
    }
    for (int i = at; i < 2; ++i) {
        earlier.inputs[i] = earlier.inputs[i + 1];
        earlier.coefficients[i] = earlier.coefficients[i + 1];
    }
    earlier.inputs[2] = nullptr;
    earlier.coefficients[2] = One;
    for (int j = 0; j < added.inputCount(); ++j)
        if (added.inputs[j] != earlier.output && indexOf(earlier, added.inputs[j]) < 0)
            earlier.addInput(added.inputs[j], (k >> 8) * (added.coefficients[j] >> 8));
    earlier.constant = earlier.constant / divisor * 256;
    for (int i = 0; i < earlier.inputCount(); ++i)
        earlier.coefficients[i] = earlier.coefficients[i] / divisor * 256;
}

void TLayoutWindow::buildPlan() {
    unordered_.insert(unordered_.begin(), plan_.begin(), plan_.end());
    plan_.clear();
    for (TChildMetrics* r : children_)
        for (TVariable& v : r->variables)
            v.resolved = v.determinedBy == nullptr;
    for (bool moved = true; moved;) {
        moved = false;
        for (auto it = unordered_.begin(); it != unordered_.end();) {
            TConstraint* c = *it;
            bool ready = true;
            for (int i = 0; i < 3; ++i)
                if (c->inputs[i] && !c->inputs[i]->resolved) ready = false;
            if (!ready) {
                ++it;
                continue;
            }
            c->output->resolved = 1;
            plan_.push_back(c);
            it = unordered_.erase(it);
            moved = true;
        }
    }
}

} // namespace vael
