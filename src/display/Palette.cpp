#include "Palette.h"

namespace kurvimat::display {

Palette::Palette() {
    m_rgb.reserve(Size);
    for (int i = 0; i < Size; ++i) {
        m_entries[i] =
            Entry{static_cast<std::uint8_t>(blue(i)), static_cast<std::uint8_t>(green(i)),
                  static_cast<std::uint8_t>(red(i)), 0};
        m_rgb.append(qRgb(red(i), green(i), blue(i)));
    }
}

} // namespace kurvimat::display
