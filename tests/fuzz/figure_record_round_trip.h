#pragma once
// The check both saved-record fuzz targets of the display objects make: loading arbitrary bytes either is
// refused and leaves the object's record as it was, or reads a whole record that reads back into a fresh
// object of the same class and saves to itself.
#include <cstdlib>
#include <sstream>
#include <string>

#include "framework/core/bus.h"
#include "game/figures/vael_physical_object.h"

template <class Object> int checkFigureRecord(const std::string& bytes) {
    // A bus of its own each run: a bus gives out each component id once, and a long fuzzing run would
    // use up the ids of one kept for the whole run.
    vael::Bus bus("Figure Layer");
    Object object;
    // On the bus its set-up builds the figures and puts up the flag, as a prototype's clone has them.
    object.attach(bus);
    std::ostringstream before;
    object.save(before);
    std::istringstream in(bytes);
    object.load(in);
    std::ostringstream after;
    object.save(after);
    if (in.fail()) {
        if (after.str() != before.str()) std::abort();
    } else {
        Object again;
        again.attach(bus);
        std::istringstream back(after.str());
        again.load(back);
        std::ostringstream twice;
        again.save(twice);
        if (back.fail() || twice.str() != after.str()) std::abort();
        again.detach();
    }
    object.detach();
    vael::VaelPhysicalObject::freeSharedArtwork();
    return 0;
}
