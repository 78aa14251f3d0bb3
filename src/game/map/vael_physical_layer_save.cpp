#include "game/map/vael_physical_layer.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>

#include "framework/core/read_file.h"
#include "game/map/pointed_vael_landscape.h"
#include "game/map/raw_bytes.h"

namespace vael {

using raw::append16;
using raw::append32;
using raw::put32;
using raw::read16;
using raw::read32;

namespace {
// Where a saved game's header gives the offset of the physical layers' table: two offsets, the normal
// view's state and the reversed view's.
constexpr std::size_t TableOffsetAt = 4;
} // namespace

bool VaelPhysicalLayer::readState(const std::vector<std::uint8_t>& bytes, std::size_t at,
                                  std::size_t expectedColours, PhysicalLayerState& state, std::size_t& end) {
    if (at > bytes.size() || bytes.size() - at < 6) return false;
    state.hexGridShown = read16(bytes, at);
    state.unitSelected = read16(bytes, at + 2);
    const std::uint16_t flag = read16(bytes, at + 4);
    at += 6;
    if (flag > 1) return false;
    state.hasColours = flag == 1;
    state.colours.clear();
    if (state.hasColours) {
        if ((bytes.size() - at) / 4 < expectedColours) return false;
        state.colours.reserve(expectedColours);
        for (std::size_t i = 0; i < expectedColours; ++i, at += 4)
            state.colours.push_back(read32(bytes, at));
    }
    end = at;
    return true;
}

bool VaelPhysicalLayer::saveGameBytes(std::vector<std::uint8_t>& bytes) {
    if (bytes.size() < TableOffsetAt + 4) return false;
    std::uint32_t table = read32(bytes, TableOffsetAt);
    if (table == 0) {
        table = static_cast<std::uint32_t>(bytes.size());
        put32(bytes, TableOffsetAt, table);
        append32(bytes, 0);
        append32(bytes, 0);
    } else if (table > bytes.size() || bytes.size() - table < 8) {
        return false;
    }
    const auto state = static_cast<std::uint32_t>(bytes.size());
    append16(bytes, hexGridShown_);
    append16(bytes, unitSelected_);
    append16(bytes, hasColours_ ? 1 : 0);
    if (hasColours_)
        for (std::uint32_t colour : hexColours_)
            append32(bytes, colour);
    // Adopted objects (debris and the like) are not made again by a load, so only the units' objects keep
    // a place in the file.
    std::ostringstream objects(std::ios::binary);
    Item<PhysicalObject*>* it = nullptr;
    for (objects_.firstItem(it); it; it = it->next)
        if (!adopted_.contains(it->value)) it->value->save(objects);
    const std::string objectBytes = objects.str();
    bytes.insert(bytes.end(), objectBytes.begin(), objectBytes.end());
    put32(bytes, table + (layerId_ & 4 ? 4u : 0u), state);
    return true;
}

bool VaelPhysicalLayer::loadGameBytes(const std::vector<std::uint8_t>& bytes,
                                      std::pair<std::size_t, std::size_t>* extent) {
    // A file refused before any object is read has no object's reason: none of an earlier load stays.
    loadProblem_.clear();
    if (bytes.size() < TableOffsetAt + 4) return false;
    const std::uint32_t table = read32(bytes, TableOffsetAt);
    if (table == 0 || table > bytes.size() || bytes.size() - table < 8) return false;
    const std::uint32_t at = read32(bytes, table + (layerId_ & 4 ? 4u : 0u));
    PhysicalLayerState state;
    std::size_t end = 0;
    if (at == 0 || !readState(bytes, at, hexColours_.size(), state, end)) return false;

    rampageActive_ = 0;
    flaggedObjects_.clear();
    hexGridShown_ = state.hexGridShown ? 1 : 0;
    for (auto& land : landscapes_)
        land->showHexGrid(hexGridShown_);
    unitSelected_ = state.unitSelected;
    hasColours_ = state.hasColours;
    hexColours_ = std::move(state.colours);
    std::istringstream objects(std::string(bytes.begin() + static_cast<std::ptrdiff_t>(end), bytes.end()),
                               std::ios::binary);
    Item<PhysicalObject*>* it = nullptr;
    for (objects_.firstItem(it); it; it = it->next) {
        if (adopted_.contains(it->value)) continue;
        const bool before = objects.fail();
        it->value->load(objects);
        // The first object refused says why; those after it only find the stream already failed.
        if (!before && objects.fail())
            if (auto* object = dynamic_cast<VaelDisplayObject*>(it->value))
                loadProblem_ = object->loadProblem();
    }
    // Objects that ran short end nowhere, which no part that follows starts at.
    if (extent)
        *extent = {at, objects.fail() ? std::size_t(-1) : end + static_cast<std::size_t>(objects.tellg())};

    // Every sprite is filed afresh from where the loaded objects put it.
    filings_.clear();
    List<Sprite*> all;
    for (List<Sprite*>& list : cellGrid_) {
        Sprite* s = nullptr;
        while (list.removeFirst(s))
            if (!all.contains(s)) all.append(s);
    }
    Item<Sprite*>* s = nullptr;
    for (all.firstItem(s); s; s = s->next)
        insertSprite(s->value);
    return true;
}

bool VaelPhysicalLayer::saveGame(const std::string& fileName) {
    std::vector<std::uint8_t> bytes;
    std::string error;
    if (!readFileBytes(fileName, bytes, error, file_limits::SavedGame) || !saveGameBytes(bytes)) return false;
    std::ofstream out(fileName, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

bool VaelPhysicalLayer::loadGame(const std::string& fileName) {
    std::vector<std::uint8_t> bytes;
    std::string error;
    return readFileBytes(fileName, bytes, error, file_limits::SavedGame) && loadGameBytes(bytes);
}

bool VaelPhysicalLayers::saveGameBytes(std::vector<std::uint8_t>& bytes) {
    for (VaelPhysicalLayer* layer : {normal_.get(), reversed_.get()})
        layer->settle();
    // Only the full-size landscape keeps the debris; the smaller ones take it from the same section.
    for (VaelPhysicalLayer* layer : {normal_.get(), reversed_.get()})
        if (!layer->saveGameBytes(bytes) || !layer->zoomLandscape(0)->saveGameBytes(bytes)) return false;
    appendUnderWay(bytes);
    return true;
}

bool VaelPhysicalLayers::loadGameBytes(const std::vector<std::uint8_t>& bytes) {
    // The layers' table is checked for both before either moves an object, so that an old file leaves
    // both views as they are.
    loadProblem_.clear();
    underWayProblem_.clear();
    underWayLoaded_ = false;
    for (VaelPhysicalLayer* layer : {normal_.get(), reversed_.get()})
        layer->loadedTickLeft_ = VaelPhysicalLayer::LeftOfTick();
    std::size_t end = 0;
    for (VaelPhysicalLayer* layer : {normal_.get(), reversed_.get()}) {
        if (bytes.size() < TableOffsetAt + 4) return false;
        const std::uint32_t table = read32(bytes, TableOffsetAt);
        if (table == 0 || table > bytes.size() || bytes.size() - table < 8) return false;
        const std::uint32_t at = read32(bytes, table + (layer->layerId() & 4 ? 4u : 0u));
        PhysicalLayerState state;
        if (at == 0 || !VaelPhysicalLayer::readState(bytes, at, layer->hexColours().size(), state, end))
            return false;
    }
    bool whole = true;
    std::pair<std::size_t, std::size_t> objects[2];
    PointedVaelLandscape::SavedExtent lands[2];
    for (int view = 0; view < 2; ++view) {
        VaelPhysicalLayer* layer = view == 0 ? normal_.get() : reversed_.get();
        whole = layer->loadGameBytes(bytes, &objects[view]) && whole;
        if (loadProblem_.empty()) loadProblem_ = layer->loadProblem();
        for (int zoom = 0; zoom < 3; ++zoom)
            if (PointedVaelLandscape* land = layer->zoomLandscape(zoom))
                whole = land->loadGameBytes(bytes, zoom == 0 ? &lands[view] : nullptr) && whole;
    }
    // The parts were written one after the other, each where the one before ended: an offset that points
    // anywhere else (into another part's objects, say) reads bytes that are not what it names, which a
    // length checked against the file alone does not find.
    std::size_t next = 0;
    if (whole) {
        const std::size_t table = read32(bytes, TableOffsetAt);
        next = table + 8;
        for (int view = 0; view < 2 && whole; ++view) {
            whole = objects[view].first == next;
            next = objects[view].second;
            const PointedVaelLandscape::SavedExtent& land = lands[view];
            if (land.sectionAt == 0) continue;
            // The block comes once, after the normal view's objects.
            if (view == 0) {
                whole = whole && land.blockAt == next;
                next = land.blockEnd;
            }
            whole = whole && land.sectionAt == next;
            next = land.spritesEnd;
        }
    }
    // What was under way follows the display part; a game saved before it was kept plays on without.
    if (whole) {
        whole = readUnderWay(bytes, next);
        if (!whole && underWayProblem_.empty()) underWayProblem_ = "does not read back whole";
    }
    for (VaelPhysicalLayer* layer : {normal_.get(), reversed_.get()})
        layer->redrawWhole();
    return whole;
}

std::vector<std::uint8_t> VaelPhysicalLayers::underWayRecord() {
    std::vector<std::uint8_t> bytes;
    appendUnderWay(bytes);
    return bytes;
}

bool VaelPhysicalLayers::loadUnderWayRecord(const std::vector<std::uint8_t>& record) {
    underWayProblem_.clear();
    // Bytes without the tag would be taken as a game saved before the record.
    if (record.size() < 4 || !std::equal(UnderWayTag, UnderWayTag + 4, record.begin()))
        return underWayProblem_ = "is no record of what the display had under way", false;
    if (readUnderWay(record, 0)) return true;
    if (underWayProblem_.empty()) underWayProblem_ = "does not read back whole";
    return false;
}

void VaelPhysicalLayers::appendUnderWay(std::vector<std::uint8_t>& bytes) {
    // Half of what was under way would leave the loaded display waiting on what never comes: a game saved
    // while something that cannot be written plays keeps none of it, and loads as games saved before the
    // record did.
    if (!normal_->underWayCarried() || !reversed_->underWayCarried()) return;
    std::ostringstream body(std::ios::binary);
    for (VaelPhysicalLayer* layer : {normal_.get(), reversed_.get()}) {
        std::ostringstream part(std::ios::binary);
        layer->saveUnderWay(part);
        const std::string text = part.str();
        raw::putU32(body, static_cast<std::uint32_t>(text.size()));
        body.write(text.data(), static_cast<std::streamsize>(text.size()));
    }
    const std::string text = body.str();
    bytes.insert(bytes.end(), UnderWayTag, UnderWayTag + 4);
    append16(bytes, UnderWayVersion);
    append32(bytes, static_cast<std::uint32_t>(text.size()));
    bytes.insert(bytes.end(), text.begin(), text.end());
}

bool VaelPhysicalLayers::readUnderWay(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    underWayLoaded_ = false;
    if (bytes.size() - at < 4 ||
        !std::equal(UnderWayTag, UnderWayTag + 4, bytes.begin() + static_cast<std::ptrdiff_t>(at)))
        return true;
    if (bytes.size() - at < 10) return false;
    const std::uint16_t version = read16(bytes, at + 4);
    const std::uint32_t length = read32(bytes, at + 6);
    if (version != UnderWayVersion && version != VaelDisplayObject::UnderWayWithoutRampages) {
        underWayProblem_ = "is of version " + std::to_string(version) + ", which this game does not read";
        return false;
    }
    if (bytes.size() - at - 10 < length) return false;
    std::istringstream body(std::string(bytes.begin() + static_cast<std::ptrdiff_t>(at + 10),
                                        bytes.begin() + static_cast<std::ptrdiff_t>(at + 10 + length)),
                            std::ios::binary);
    for (VaelPhysicalLayer* layer : {normal_.get(), reversed_.get()}) {
        std::uint32_t size = 0;
        std::string text;
        if (!raw::getU32(body, size) || !raw::getText(body, size, text)) return false;
        std::istringstream part(text, std::ios::binary);
        if (!layer->loadUnderWay(part, version)) return underWayProblem_ = layer->underWayRefusal(), false;
        if (part.peek() != std::char_traits<char>::eof())
            return underWayProblem_ = "holds more for a view than it plays", false;
    }
    if (body.peek() != std::char_traits<char>::eof())
        return underWayProblem_ = "holds more than its two views", false;
    // The ticks go back into the application's slots in the order they held.
    VaelPhysicalLayer* first = normal_.get();
    VaelPhysicalLayer* second = reversed_.get();
    if (second->loadedTickSlot() >= 0 &&
        (first->loadedTickSlot() < 0 || second->loadedTickSlot() < first->loadedTickSlot()))
        std::swap(first, second);
    first->restartTick();
    second->restartTick();
    return underWayLoaded_ = true;
}

} // namespace vael
