// Pictures of the twelve axis buttons and of the small decoration between the exchange and the
// snapshot buttons, drawn by the program at start.
#pragma once

#include "DisplayState.h"

#include <QImage>

/// 16 x 32 for the buttons beside the side axes, 32 x 16 below the plot; transparent
/// background. Auto and Full pictures are grey, AutoOff and FullOn black (the state in effect),
/// AutoOff with the wave in the colour of its axis.
QImage AxisPicture(AxisImage image);

/// Size of an axis button picture.
QSize AxisPictureSize(AxisImage image);

/// The 20 x 44 picture Image1: an arrow from the data row down to the snapshot row.
QImage SnapshotArrowPicture();
