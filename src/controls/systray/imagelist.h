// SPDX-License-Identifier: MIT
#pragma once

#include <QColor>
#include <QIcon>
#include <QImage>

// Turns a bitmap into an icon with a mask colour: every pixel of exactly that colour becomes
// transparent, every other pixel stays opaque. Holds one 16 x 16 image.
class ImageList
{
public:
    static constexpr int kImageSize = 16;

    QColor MaskColor() const { return m_maskColor; }
    void SetMaskColor(const QColor& color) { m_maskColor = color; }

    void SetImage(const QImage& image); // replaces the image, scaled to 16 x 16
    QImage ExtractImage() const;        // the masked image, with alpha
    QIcon ExtractIcon() const;

private:
    QColor m_maskColor = Qt::black;
    QImage m_image;
};
