#pragma once

class QPainter;

namespace corvalin {

// The program's picture, 256 × 128, with the version text written at (173, 53). Drawn rather
// than loaded, so the program carries no image files.
void PaintSplashPicture(QPainter& painter);

}  // namespace corvalin
