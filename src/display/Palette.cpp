#include "Palette.h"

namespace kurvimat::display {

Palette::Palette() {
    rgb_.reserve(Size);
    for (int i = 0; i < Size; ++i) {
        entries_[i] = Entry{static_cast<std::uint8_t>(blue(i)), static_cast<std::uint8_t>(green(i)),
                            static_cast<std::uint8_t>(red(i)), 0};
        rgb_.append(qRgb(red(i), green(i), blue(i)));
    }
}

} // namespace kurvimat::display
