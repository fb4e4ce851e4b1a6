#include "QrCode.h"

#include <qrencode.h>

#include <memory>

namespace kurvimat::classview {

QrModules encodeQr(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::unique_ptr<QRcode, decltype(&QRcode_free)> code(
        QRcode_encodeData(int(bytes.size()), reinterpret_cast<const unsigned char*>(bytes.data()),
                          0, QR_ECLEVEL_M),
        &QRcode_free);
    QrModules out;
    if (!code) return out;
    out.size = code->width;
    out.dark.resize(std::size_t(out.size) * std::size_t(out.size));
    for (std::size_t i = 0; i < out.dark.size(); ++i) out.dark[i] = (code->data[i] & 1) != 0;
    return out;
}

} // namespace kurvimat::classview
