// SPDX-License-Identifier: MIT
#include "controls/systray/systray.h"

#include "controls/systray/picturebox.h"
#include "controls/systray/propertybag.h"

#include <QApplication>
#include <QPushButton>

namespace
{
constexpr int kFacePixels = 32; // 480 twips
constexpr QSize kSurfaceSize(16, 16);
constexpr quint32 kIconId = 1;
constexpr qint32 kTextMode = 1;
const QColor kDefaultBackColor = Qt::black;
const QColor kDefaultForeColor = QColor(255, 255, 0);

QFont TextFont()
{
    QFont font;
    font.setFamilies({QStringLiteral("Courier New"), QStringLiteral("Liberation Mono")});
    font.setStyleHint(QFont::Monospace);
    font.setBold(true);
    font.setPointSizeF(20.25);
    return font;
}

// UTF-8 bytes of one code point.
QByteArray Utf8(char32_t codePoint)
{
    return QString::fromUcs4(&codePoint, 1).toUtf8();
}
} // namespace

std::array<char, kTipSize> TipField(const QString& tip)
{
    QList<uint> field = tip.toUcs4();
    field.append(0);
    field.resize(kTipSize, ' ');
    std::array<char, kTipSize> bytes{};
    int used = 0;
    for (uint codePoint : field) {
        const QByteArray encoded = Utf8(codePoint);
        if (used + encoded.size() > kTipSize)
            break;
        std::copy(encoded.begin(), encoded.end(), bytes.begin() + used);
        used += encoded.size();
    }
    return bytes;
}

SysTray::SysTray(QWidget* parent)
    : QWidget(parent), IMG(new QPushButton(QStringLiteral("Tray"), this)),
      picIcon(new PictureBox(QStringLiteral("picIcon"), kSurfaceSize, this)),
      picText(new PictureBox(QStringLiteral("picText"), kSurfaceSize, this))
{
    setObjectName(QStringLiteral("SysTray"));
    setFixedSize(kFacePixels, kFacePixels);
    IMG->setObjectName(QStringLiteral("IMG"));
    IMG->setGeometry(0, 0, kFacePixels, kFacePixels);
    // Both surfaces lie outside the face, so they are never seen.
    picIcon->move(kFacePixels, 0);
    picText->move(kFacePixels, kSurfaceSize.height());
    picText->SetBackColor(kDefaultBackColor);
    picText->SetForeColor(kDefaultForeColor);
    picText->setFont(TextFont());
    picText->Cls();
    connect(picText, &PictureBox::MouseMove, this, &SysTray::picText_MouseMove);
}

SysTray::~SysTray()
{
    DeleteTrayIcon();
}

void SysTray::InitProperties()
{
    m_TrayTip.clear();
    m_TrayIcon = QIcon();
    m_TrayText.clear();
    m_TrayVisible = false;
    m_TrayType = 0;
    m_Transparency = Qt::black;
    m_PosX = 0;
    m_PosY = 0;
}

// A restored icon and mask colour take effect like assigned ones; a restored visibility waits
// for the next assignment, since restoring never calls the notification area.
void SysTray::ReadProperties(const PropertyBag& bag)
{
    m_TrayTip = bag.ReadProperty(QStringLiteral("TrayTip"), QString()).toString();
    m_TrayIcon = bag.ReadProperty(QStringLiteral("TrayIcon"), QVariant()).value<QIcon>();
    picIcon->SetPicture(m_TrayIcon);
    m_TrayText = bag.ReadProperty(QStringLiteral("TrayText"), QString()).toString();
    m_TrayVisible = bag.ReadProperty(QStringLiteral("TrayVisible"), false).toBool();
    m_TrayType = bag.ReadProperty(QStringLiteral("TrayType"), 0).toInt();
    picText->SetBackColor(
        bag.ReadProperty(QStringLiteral("BackColor"), kDefaultBackColor).value<QColor>());
    picText->SetForeColor(
        bag.ReadProperty(QStringLiteral("ForeColor"), kDefaultForeColor).value<QColor>());
    m_Transparency =
        bag.ReadProperty(QStringLiteral("Transparency"), QColor(Qt::black)).value<QColor>();
    imgListTray.SetMaskColor(m_Transparency);
    m_PosX = static_cast<qint16>(bag.ReadProperty(QStringLiteral("PosX"), 0).toInt());
    m_PosY = static_cast<qint16>(bag.ReadProperty(QStringLiteral("PosY"), 0).toInt());
    picText->setFont(bag.ReadProperty(QStringLiteral("Font"), font()).value<QFont>());
}

// The ambient font is the one this control inherits from its host.
void SysTray::WriteProperties(PropertyBag& bag) const
{
    bag.WriteProperty(QStringLiteral("TrayTip"), m_TrayTip, QString());
    bag.WriteProperty(QStringLiteral("TrayIcon"),
                      m_TrayIcon.isNull() ? QVariant() : QVariant(m_TrayIcon), QVariant());
    bag.WriteProperty(QStringLiteral("TrayText"), m_TrayText, QString());
    bag.WriteProperty(QStringLiteral("TrayVisible"), m_TrayVisible, false);
    bag.WriteProperty(QStringLiteral("TrayType"), m_TrayType, 0);
    bag.WriteProperty(QStringLiteral("BackColor"), picText->BackColor(), kDefaultBackColor);
    bag.WriteProperty(QStringLiteral("ForeColor"), picText->ForeColor(), kDefaultForeColor);
    bag.WriteProperty(QStringLiteral("Transparency"), m_Transparency, QColor(Qt::black));
    bag.WriteProperty(QStringLiteral("PosX"), int(m_PosX), 0);
    bag.WriteProperty(QStringLiteral("PosY"), int(m_PosY), 0);
    bag.WriteProperty(QStringLiteral("Font"), picText->font(), font());
}

QColor SysTray::BackColor() const
{
    return picText->BackColor();
}

void SysTray::SetBackColor(const QColor& color)
{
    picText->SetBackColor(color);
    emit PropertyChanged(QStringLiteral("BackColor"));
    ModifyTrayIcon();
}

QFont SysTray::Font() const
{
    return picText->font();
}

void SysTray::SetFont(const QFont& font)
{
    picText->setFont(font);
    emit PropertyChanged(QStringLiteral("Font"));
}

QColor SysTray::ForeColor() const
{
    return picText->ForeColor();
}

void SysTray::SetForeColor(const QColor& color)
{
    picText->SetForeColor(color);
    emit PropertyChanged(QStringLiteral("ForeColor"));
    ModifyTrayIcon();
}

void SysTray::SetPosX(qint16 x)
{
    m_PosX = x;
    emit PropertyChanged(QStringLiteral("PosX"));
}

void SysTray::SetPosY(qint16 y)
{
    m_PosY = y;
    emit PropertyChanged(QStringLiteral("PosY"));
}

void SysTray::SetTransparency(const QColor& color)
{
    m_Transparency = color;
    emit PropertyChanged(QStringLiteral("Transparency"));
    imgListTray.SetMaskColor(color);
}

void SysTray::SetTrayTip(const QString& tip)
{
    m_TrayTip = tip;
    emit PropertyChanged(QStringLiteral("TrayTip"));
    ModifyTrayIcon();
}

void SysTray::SetTrayIcon(const QIcon& icon)
{
    m_TrayIcon = icon;
    emit PropertyChanged(QStringLiteral("TrayIcon"));
    picIcon->SetPicture(icon);
    ModifyTrayIcon();
}

void SysTray::SetTrayText(const QString& text)
{
    m_TrayText = text;
    emit PropertyChanged(QStringLiteral("TrayText"));
    ModifyTrayIcon();
}

void SysTray::SetTrayType(qint32 type)
{
    m_TrayType = type;
    emit PropertyChanged(QStringLiteral("TrayType"));
    ModifyTrayIcon();
}

void SysTray::SetTrayVisible(bool visible)
{
    m_TrayVisible = visible;
    emit PropertyChanged(QStringLiteral("TrayVisible"));
    UpdateTrayVisible();
}

void SysTray::SetContextMenu(QMenu* menu)
{
    m_contextMenu = menu;
    ModifyTrayIcon();
}

// A second add for a present icon, or a delete for an absent one, fails harmlessly.
bool SysTray::UpdateTrayVisible()
{
    return m_TrayVisible ? AddTrayIcon() : DeleteTrayIcon();
}

bool SysTray::AddTrayIcon()
{
    return Shell_NotifyIcon(NIM_ADD, TrayRecord());
}

bool SysTray::ModifyTrayIcon()
{
    if (!m_TrayVisible)
        return false;
    return Shell_NotifyIcon(NIM_MODIFY, TrayRecord());
}

bool SysTray::DeleteTrayIcon()
{
    NotifyIconData data;
    data.cbSize = kNotifyIconDataSize;
    data.hWnd = picText;
    data.uID = kIconId;
    return Shell_NotifyIcon(NIM_DELETE, data);
}

NotifyIconData SysTray::TrayRecord()
{
    NotifyIconData data;
    data.cbSize = kNotifyIconDataSize;
    data.hWnd = picText;
    data.uID = kIconId;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = WM_MOUSEMOVE;
    data.hIcon = TrayIconHandle();
    data.szTip = TipField(m_TrayTip);
    data.contextMenu = m_contextMenu;
    return data;
}

QIcon SysTray::TrayIconHandle()
{
    if (m_TrayType != kTextMode)
        return picIcon->Picture();
    DrawTrayText();
    imgListTray.SetImage(picText->Image());
    return imgListTray.ExtractIcon();
}

void SysTray::DrawTrayText()
{
    picText->Cls();
    picIcon->Cls();
    // Plotting in the background colour only moves the drawing position to the text origin.
    picText->PSet(QPoint(m_PosX, m_PosY), picText->BackColor());
    picText->Print(m_TrayText);
    picIcon->PaintPicture(picText->Image());
}

// The callback message is the pointer-move message, so the notification code arrives as x;
// ordinary pointer moves over the 16-pixel surface never reach these values.
void SysTray::picText_MouseMove(int x, int /*y*/)
{
    switch (x) {
    case WM_LBUTTONUP:
        emit Click();
        break;
    case WM_RBUTTONUP:
        emit RClick();
        break;
    case WM_LBUTTONDBLCLK:
        emit DblClick();
        break;
    default:
        break;
    }
}
