// SPDX-License-Identifier: MIT
#pragma once

#include <QIcon>
#include <QImage>
#include <QWidget>

// A picture box: holds a picture and a retained drawing the size of the box, which stays
// readable as an image. Coordinates are pixels.
class PictureBox : public QWidget
{
    Q_OBJECT
public:
    PictureBox(const QString& name, const QSize& size, QWidget* parent);

    QColor BackColor() const { return m_backColor; }
    void SetBackColor(const QColor& color) { m_backColor = color; }
    QColor ForeColor() const { return m_foreColor; }
    void SetForeColor(const QColor& color) { m_foreColor = color; }
    QIcon Picture() const { return m_picture; }
    void SetPicture(const QIcon& picture) { m_picture = picture; }
    const QImage& Image() const { return m_image; }

    void Cls(); // clears the drawing to the background colour; the position goes to (0, 0)
    void PSet(const QPoint& point, const QColor& color); // plots and moves the position there
    void Print(const QString& text); // at the position, in the font and text colour, clipped
    void PaintPicture(const QImage& source); // stretched over the whole drawing

signals:
    void MouseMove(int x, int y);

protected:
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    QColor m_backColor = Qt::white;
    QColor m_foreColor = Qt::black;
    QIcon m_picture;
    QImage m_image;
    QPoint m_current;
};
