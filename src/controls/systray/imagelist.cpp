// SPDX-License-Identifier: MIT
#include "controls/systray/imagelist.h"

#include <QPixmap>

void ImageList::SetImage(const QImage& image)
{
    m_image = image.scaled(kImageSize, kImageSize).convertToFormat(QImage::Format_ARGB32);
}

QImage ImageList::ExtractImage() const
{
    // The picture's own alpha is ignored: only the mask colour makes pixels transparent.
    QImage masked = m_image.convertToFormat(QImage::Format_RGB32);
    masked.setAlphaChannel(masked.createMaskFromColor(m_maskColor.rgb(), Qt::MaskOutColor));
    return masked.convertToFormat(QImage::Format_ARGB32);
}

QIcon ImageList::ExtractIcon() const
{
    return QIcon(QPixmap::fromImage(ExtractImage()));
}
