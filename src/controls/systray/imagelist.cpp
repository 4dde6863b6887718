// SPDX-License-Identifier: MIT
#include "controls/systray/imagelist.h"

#include <QPixmap>

void ImageList::SetImage(const QImage& image)
{
    m_image = image.scaled(kImageSize, kImageSize).convertToFormat(QImage::Format_ARGB32);
}

QImage ImageList::ExtractImage() const
{
    QImage masked = m_image;
    const QRgb mask = m_maskColor.rgb();
    for (int y = 0; y < masked.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(masked.scanLine(y));
        for (int x = 0; x < masked.width(); ++x) {
            const QRgb opaque = line[x] | 0xFF000000;
            line[x] = opaque == mask ? qRgba(0, 0, 0, 0) : opaque;
        }
    }
    return masked;
}

QIcon ImageList::ExtractIcon() const
{
    return QIcon(QPixmap::fromImage(ExtractImage()));
}
