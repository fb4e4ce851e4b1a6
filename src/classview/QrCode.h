// The QR code of the page's address, for the projector: libqrencode's modules as a square of
// dark (true) and light cells, drawn by whoever shows it.
#pragma once

#include <QString>

#include <vector>

namespace kurvimat::classview {

struct QrModules {
    int size = 0;               ///< cells per side; 0 when the text cannot be encoded
    std::vector<bool> dark;     ///< row by row
    bool at(int x, int y) const { return dark[std::size_t(y) * std::size_t(size) + std::size_t(x)]; }
};

/// Error correction level M, as 8-bit data so that the address is encoded as it is.
QrModules encodeQr(const QString& text);

} // namespace kurvimat::classview
