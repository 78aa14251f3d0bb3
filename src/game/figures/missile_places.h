#pragma once
// Where the three chariots of a chariot unit stand by facing, and where the missiles of horse troops
// leave their hands by direction; shared by the archer and javelin chariots and riders.
#include "game/figures/vael_physical_object.h"

namespace vael::missile_places {

// A chariot never faces straight east or west.
inline const VaelPhysicalObject::SlotOffsets Chariots[3] = {
    {Point3D(), {27, 16, 0}, {24, 20, 0}, {}, {-32, 18, 0}, {-49, 10, 0}, {-13, -9, 0}, {}, {20, -12, 0}},
    {Point3D(), {-49, 16, 0}, {-23, -9, 0}, {}, {15, -12, 0}, {27, 10, 0}, {34, 20, 0}, {}, {-27, 16, 0}},
    {Point3D(), {-11, 3, 0}, {13, -2, 0}, {}, {4, 8, 0}, {-11, 23, 0}, {-3, 11, 0}, {}, {-17, -3, 0}},
};

inline const Point3D JavelinLaunch[9] = {{0, 0, 0}, {0, 0, 0}, {41, -5, 0}, {30, 5, 0},  {10, -20, 0},
                                         {0, 0, 0}, {0, 0, 0}, {0, 0, 0},   {-10, 20, 0}};

inline const Point3D RiderLaunch[9] = {{0, 0, 0}, {0, 0, 0},   {10, -10, 0}, {30, -5, 0}, {10, -45, 0},
                                       {0, 0, 0}, {0, -35, 0}, {0, -5, 0},   {-10, 10, 0}};

} // namespace vael::missile_places
