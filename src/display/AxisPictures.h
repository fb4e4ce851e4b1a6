// Pictures of the twelve axis buttons and of the small decoration between the exchange and the
// snapshot buttons, drawn by the program at start.
#pragma once

#include "DisplayState.h"

#include <QImage>

namespace kurvimat::display {

/// 16 x 32 for the buttons beside the side axes, 32 x 16 below the plot (logical pixels; the
/// picture holds them times scale and carries scale as its pixel ratio); transparent
/// background. Auto and Full pictures are grey, AutoOff and FullOn black (the state in effect),
/// AutoOff with the wave in the colour of its axis.
QImage AxisPicture(AxisImage image, double scale = 1);

/// Size of an axis button picture (logical pixels).
QSize AxisPictureSize(AxisImage image);

/// Device pixels of a picture of a logical size at a pixel ratio.
QSize PictureDeviceSize(QSize logical, double scale);

/// The 20 x 44 picture ImageSchnappschuss: an arrow from the data row down to the snapshot row.
QImage SnapshotArrowPicture(double scale = 1);

} // namespace kurvimat::display
