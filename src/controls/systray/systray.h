// SPDX-License-Identifier: MIT
#pragma once

#include "controls/systray/imagelist.h"
#include "controls/systray/notifyicon.h"

#include <QWidget>

class PictureBox;
class PropertyBag;
class QPushButton;

// Owns one icon in the notification area: a picture, or a short text drawn into a 16 x 16
// icon (TrayType 1). Every property assignment stores the value, reports PropertyChanged with
// the property's name so the host rewrites its saved state, then takes effect.
class SysTray : public QWidget
{
    Q_OBJECT
public:
    explicit SysTray(QWidget* parent = nullptr);
    ~SysTray() override;

    // Container life cycle: a new instance, or one restored from / saved to its host's state.
    void InitProperties();
    void ReadProperties(const PropertyBag& bag);
    void WriteProperties(PropertyBag& bag) const;

    QColor BackColor() const;
    void SetBackColor(const QColor& color);
    QFont Font() const;
    void SetFont(const QFont& font);
    QColor ForeColor() const;
    void SetForeColor(const QColor& color);
    qint16 PosX() const { return m_PosX; }
    void SetPosX(qint16 x);
    qint16 PosY() const { return m_PosY; }
    void SetPosY(qint16 y);
    QColor Transparency() const { return m_Transparency; }
    void SetTransparency(const QColor& color);
    QString TrayTip() const { return m_TrayTip; }
    void SetTrayTip(const QString& tip);
    QIcon TrayIcon() const { return m_TrayIcon; }
    void SetTrayIcon(const QIcon& icon);
    QString TrayText() const { return m_TrayText; }
    void SetTrayText(const QString& text);
    qint32 TrayType() const { return m_TrayType; }
    void SetTrayType(qint32 type);
    bool TrayVisible() const { return m_TrayVisible; }
    void SetTrayVisible(bool visible);

    // The host's tray menu, for notification areas that draw menus themselves
    // (StatusNotifierItem hosts such as xfce4-panel): there a right-click opens it without an
    // RClick, so a host prepares its items on QMenu::aboutToShow. XEmbed trays never get it and
    // report RClick as usual.
    QMenu* ContextMenu() const { return m_contextMenu; }
    void SetContextMenu(QMenu* menu);

    // The retained text drawing and the icon preview, for hosts and tests that look at them.
    const PictureBox* TextSurface() const { return picText; }
    const PictureBox* IconPreview() const { return picIcon; }

signals:
    void Click();
    void RClick();
    void DblClick();
    void PropertyChanged(const QString& name);

private:
    bool UpdateTrayVisible();
    bool AddTrayIcon();
    bool ModifyTrayIcon();
    bool DeleteTrayIcon();
    NotifyIconData TrayRecord();
    QIcon TrayIconHandle();
    void DrawTrayText();
    void picText_MouseMove(int x, int y);

    QPushButton* IMG;
    PictureBox* picIcon;
    PictureBox* picText;
    ImageList imgListTray;

    qint16 m_PosX = 0;
    qint16 m_PosY = 0;
    QColor m_Transparency = Qt::black;
    qint32 m_TrayType = 0;
    QString m_TrayTip;
    QIcon m_TrayIcon;
    QString m_TrayText;
    bool m_TrayVisible = false;
    QPointer<QMenu> m_contextMenu;
};

// The 64 bytes of szTip for a tooltip: the tip, a terminating zero and spaces make a field of
// 64 characters (a longer tip is cut there), encoded as UTF-8 and cut to 64 bytes at a
// character boundary.
std::array<char, kTipSize> TipField(const QString& tip);
