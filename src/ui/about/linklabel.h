// SPDX-License-Identifier: MIT
#pragma once

#include <QLabel>

// A label that acts as a link: it reports clicks and pointer moves (tracked without a pressed
// button) and Return when focused, and its text colour is a property whose every assignment is
// announced.
class LinkLabel : public QLabel
{
    Q_OBJECT
public:
    explicit LinkLabel(QWidget* parent = nullptr);

    QColor ForeColor() const;
    void SetForeColor(const QColor& color);

signals:
    void Clicked();
    void MouseMoved();
    void ForeColorSet(const QColor& color);
    void FocusChanged(bool focused);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};
