// SPDX-License-Identifier: MIT
#include "controls/systray/picturebox.h"
#include "controls/systray/propertybag.h"
#include "controls/systray/systray.h"
#include "support/recordingport.h"

#include <QPixmap>
#include <gtest/gtest.h>
#include <memory>

namespace
{

using Call = RecordingPort::Call;

QIcon SolidIcon(const QColor& color)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(color);
    return QIcon(pixmap);
}

QImage IconImage(const QIcon& icon)
{
    return icon.pixmap(16, 16).toImage();
}

class SysTrayTest : public ::testing::Test
{
protected:
    SysTrayTest()
    {
        tray->InitProperties();
        QObject::connect(tray.get(), &SysTray::Click, [this] { events.append("Click"); });
        QObject::connect(tray.get(), &SysTray::RClick, [this] { events.append("RClick"); });
        QObject::connect(tray.get(), &SysTray::DblClick, [this] { events.append("DblClick"); });
    }

    const QWidget* Surface() const { return tray->TextSurface(); }

    RecordingPort port;
    std::unique_ptr<SysTray> tray = std::make_unique<SysTray>();
    QStringList events;
};

TEST_F(SysTrayTest, NewInstanceHasDefaultsAndStaysOutOfTheTrayUntilVisible)
{
    EXPECT_FALSE(tray->TrayVisible());
    EXPECT_EQ(tray->TrayType(), 0);
    EXPECT_EQ(tray->PosX(), 0);
    EXPECT_EQ(tray->PosY(), 0);
    EXPECT_EQ(tray->Transparency(), QColor(Qt::black));
    EXPECT_TRUE(tray->TrayTip().isEmpty());
    EXPECT_TRUE(tray->TrayText().isEmpty());
    EXPECT_TRUE(tray->TrayIcon().isNull());
    EXPECT_EQ(tray->BackColor(), QColor(Qt::black));
    EXPECT_EQ(tray->ForeColor(), QColor(255, 255, 0));
    EXPECT_TRUE(tray->Font().bold());
    EXPECT_DOUBLE_EQ(tray->Font().pointSizeF(), 20.25);

    tray->SetTrayTip("Dueboard");
    tray->SetTrayType(1);
    tray->SetTrayText("7");
    tray->SetBackColor(Qt::blue);
    tray->SetForeColor(Qt::white);
    tray->SetTrayIcon(SolidIcon(Qt::red));
    EXPECT_TRUE(port.calls.isEmpty());

    tray->SetTrayVisible(true);
    ASSERT_EQ(port.calls.size(), 1);
    const Call& add = port.calls[0];
    EXPECT_EQ(add.message, NIM_ADD);
    EXPECT_EQ(add.target, Surface());
    EXPECT_EQ(add.data.cbSize, 88u);
    EXPECT_EQ(add.data.uID, 1u);
    EXPECT_EQ(add.data.uFlags, 7u);
    EXPECT_EQ(add.data.uCallbackMessage, 0x200u);
    EXPECT_EQ(TipText(add.data.szTip), "Dueboard");
    EXPECT_FALSE(add.data.hIcon.isNull());
}

TEST_F(SysTrayTest, AssignmentStoresThenReportsThenTakesEffect)
{
    tray->SetTrayVisible(true);
    QStringList seen;
    QObject::connect(tray.get(), &SysTray::PropertyChanged, [&](const QString& name) {
        seen.append(QString("%1:%2:%3").arg(name, tray->TrayTip()).arg(port.calls.size()));
    });
    tray->SetTrayTip("Later");
    tray->SetPosX(3);
    tray->SetTrayVisible(false);
    EXPECT_EQ(seen, QStringList({"TrayTip:Later:1", "PosX:Later:2", "TrayVisible:Later:2"}));
    ASSERT_EQ(port.calls.size(), 3);
    EXPECT_EQ(port.calls[1].message, NIM_MODIFY);
    EXPECT_EQ(TipText(port.calls[1].data.szTip), "Later");
    EXPECT_EQ(port.calls[2].message, NIM_DELETE);
}

TEST_F(SysTrayTest, AnyTypeButOneShowsThePicture)
{
    const QIcon picture = SolidIcon(Qt::red);
    tray->SetTrayIcon(picture);
    tray->SetTrayText("9");
    tray->SetTrayVisible(true);
    for (int type : {2, 1, -1}) {
        tray->SetTrayType(type);
        const QImage shown = IconImage(port.calls.last().data.hIcon);
        EXPECT_EQ(shown == IconImage(picture), type != 1) << type;
    }
    EXPECT_EQ(tray->IconPreview()->Picture().cacheKey(), picture.cacheKey());
}

TEST_F(SysTrayTest, AnEmptyPictureGivesAnIconWithoutImage)
{
    tray->SetTrayVisible(true);
    EXPECT_TRUE(port.calls.last().data.hIcon.isNull());
}

TEST_F(SysTrayTest, TextOriginWaitsForTheNextUpdate)
{
    tray->SetTrayType(1);
    tray->SetTrayText("W");
    tray->SetTrayVisible(true);
    const QImage before = IconImage(port.calls.last().data.hIcon);

    tray->SetPosX(-6);
    tray->SetPosY(-4);
    tray->SetFont(QFont("Liberation Mono", 12));
    tray->SetTransparency(Qt::yellow);
    EXPECT_EQ(port.calls.size(), 1);

    tray->SetTrayText("W");
    ASSERT_EQ(port.calls.size(), 2);
    EXPECT_EQ(port.calls[1].message, NIM_MODIFY);
    EXPECT_NE(IconImage(port.calls[1].data.hIcon), before);
}

TEST_F(SysTrayTest, RepeatedShowAndHideLeaveOneIconOrNone)
{
    tray->SetTrayVisible(true);
    tray->SetTrayVisible(true);
    EXPECT_EQ(port.icons.size(), 1u);
    tray->SetTrayVisible(false);
    tray->SetTrayVisible(false);
    EXPECT_TRUE(port.icons.empty());

    QList<quint32> messages;
    for (const Call& call : port.calls)
        messages.append(call.message);
    EXPECT_EQ(messages, QList<quint32>({NIM_ADD, NIM_ADD, NIM_DELETE, NIM_DELETE}));
    const NotifyIconData& del = port.calls.last().data;
    EXPECT_EQ(port.calls.last().target, Surface());
    EXPECT_EQ(del.cbSize, 88u);
    EXPECT_EQ(del.uID, 1u);
    EXPECT_EQ(del.uFlags, 0u);
    EXPECT_EQ(del.uCallbackMessage, 0u);
    EXPECT_TRUE(del.hIcon.isNull());
    EXPECT_EQ(del.szTip, (std::array<char, kTipSize>{}));
}

TEST_F(SysTrayTest, DestructionRemovesTheIcon)
{
    tray->SetTrayVisible(true);
    const QWidget* surface = Surface();
    tray.reset();
    EXPECT_TRUE(port.icons.empty());
    EXPECT_EQ(port.calls.last().message, NIM_DELETE);
    EXPECT_EQ(port.calls.last().target, surface);
}

TEST_F(SysTrayTest, CallbackCodesRaiseTheirEvents)
{
    tray->SetTrayVisible(true);
    const NotifyIconData record = port.calls.last().data;
    const std::vector<std::pair<quint32, QStringList>> cases = {
        {512, {}}, {513, {}}, {514, {"Click"}}, {515, {"DblClick"}}, {516, {}}, {517, {"RClick"}},
        {518, {}}, {519, {}}, {520, {}},        {0x10202, {"Click"}} /* high bits are y */};
    for (const auto& [code, expected] : cases) {
        events.clear();
        SendNotifyCallback(record, code);
        EXPECT_EQ(events, expected) << code;
    }
}

TEST_F(SysTrayTest, CallbacksToADestroyedControlGoNowhere)
{
    tray->SetTrayVisible(true);
    const NotifyIconData record = port.calls.last().data;
    tray.reset();
    SendNotifyCallback(record, WM_LBUTTONUP);
    EXPECT_TRUE(events.isEmpty());
}

TEST_F(SysTrayTest, SavesOnlyWhatDiffersFromTheDefaults)
{
    const QFont other("Liberation Serif", 9);
    tray->SetFont(other);
    PropertyBag bag;
    tray->WriteProperties(bag);
    EXPECT_EQ(bag.Names(), QStringList({"Font"}));

    SysTray restored;
    restored.ReadProperties(bag);
    EXPECT_EQ(restored.Font(), other);
    EXPECT_EQ(restored.BackColor(), QColor(Qt::black));
    EXPECT_EQ(restored.ForeColor(), QColor(255, 255, 0));
    EXPECT_EQ(restored.TrayType(), 0);
    EXPECT_FALSE(restored.TrayVisible());
    EXPECT_TRUE(restored.TrayTip().isEmpty());

    SysTray ambient;
    ambient.ReadProperties(PropertyBag());
    EXPECT_EQ(ambient.Font(), ambient.font());
}

TEST_F(SysTrayTest, RestoresEveryNameInOrderWithoutCallingTheTray)
{
    const QIcon picture = SolidIcon(Qt::green);
    tray->SetTrayTip("Tip");
    tray->SetTrayIcon(picture);
    tray->SetTrayText("Ab");
    tray->SetTrayVisible(true);
    tray->SetTrayType(1);
    tray->SetBackColor(Qt::blue);
    tray->SetForeColor(Qt::white);
    tray->SetTransparency(Qt::blue);
    tray->SetPosX(-2);
    tray->SetPosY(3);
    PropertyBag bag;
    tray->WriteProperties(bag);
    EXPECT_EQ(bag.Names(),
              QStringList({"TrayTip", "TrayIcon", "TrayText", "TrayVisible", "TrayType",
                           "BackColor", "ForeColor", "Transparency", "PosX", "PosY", "Font"}));

    const auto callsBefore = port.calls.size();
    SysTray restored;
    restored.ReadProperties(bag);
    EXPECT_EQ(port.calls.size(), callsBefore);
    EXPECT_EQ(restored.TrayTip(), "Tip");
    EXPECT_EQ(restored.TrayIcon().cacheKey(), picture.cacheKey());
    EXPECT_EQ(restored.TrayText(), "Ab");
    EXPECT_TRUE(restored.TrayVisible());
    EXPECT_EQ(restored.TrayType(), 1);
    EXPECT_EQ(restored.BackColor(), QColor(Qt::blue));
    EXPECT_EQ(restored.ForeColor(), QColor(Qt::white));
    EXPECT_EQ(restored.Transparency(), QColor(Qt::blue));
    EXPECT_EQ(restored.PosX(), -2);
    EXPECT_EQ(restored.PosY(), 3);
    EXPECT_EQ(restored.Font(), tray->Font());
}

TEST_F(SysTrayTest, TextIconIsTransparentExactlyWhereTheMaskColourIs)
{
    tray->SetTrayType(1);
    tray->SetTrayText("8");
    tray->SetTrayVisible(true);
    for (const QColor& mask : {QColor(Qt::black), QColor(255, 255, 0)}) {
        tray->SetTransparency(mask);
        tray->SetTrayText("8");
        const QImage drawn = tray->TextSurface()->Image();
        const QImage icon = IconImage(port.calls.last().data.hIcon);
        ASSERT_EQ(icon.size(), QSize(16, 16));
        EXPECT_EQ(tray->IconPreview()->Image(), drawn);
        int transparent = 0;
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x) {
                const bool masked = drawn.pixelColor(x, y) == mask;
                EXPECT_EQ(qAlpha(icon.pixel(x, y)) == 0, masked) << x << "," << y;
                transparent += masked;
                if (!masked) {
                    EXPECT_EQ(icon.pixel(x, y), drawn.pixel(x, y)) << x << "," << y;
                }
            }
        }
        EXPECT_GT(transparent, 0);
        EXPECT_LT(transparent, 256);
    }
}

TEST_F(SysTrayTest, KeepsItsSizeOf480Twips)
{
    tray->resize(100, 60);
    EXPECT_EQ(tray->size(), QSize(32, 32));
}

TEST(TipField, FillsSixtyFourBytesAtCharacterBoundaries)
{
    const QString tip63(63, 'a');
    const auto whole = TipField(tip63);
    EXPECT_EQ(QByteArray(whole.data(), 63), tip63.toUtf8());
    EXPECT_EQ(whole[63], '\0');
    EXPECT_EQ(TipText(whole), tip63);

    const QString tip100 = QString(60, 'b') + QString(40, 'c');
    const auto cut = TipField(tip100);
    EXPECT_EQ(QByteArray(cut.data(), 64), tip100.left(64).toUtf8());
    EXPECT_EQ(TipText(cut), tip100.left(63));

    const auto padded = TipField("Dueboard");
    EXPECT_EQ(QByteArray(padded.data(), 9), QByteArray("Dueboard", 9));
    EXPECT_EQ(QByteArray(padded.data() + 9, 55), QByteArray(55, ' '));

    // Two-byte characters: 31 fit before the 63-byte limit, the 32nd would need bytes 62-63.
    const QString accents(40, QChar(0xE9));
    const auto accented = TipField(accents);
    EXPECT_EQ(QByteArray(accented.data(), 64), accents.left(32).toUtf8());
    EXPECT_EQ(TipText(accented), accents.left(31));

    // A four-byte character that would straddle the end is left out whole.
    const QString emoji = QString(62, 'd') + QString::fromUtf8("\xF0\x9F\x94\x94");
    const auto straddling = TipField(emoji);
    EXPECT_EQ(QByteArray(straddling.data(), 62), QByteArray(62, 'd'));
    EXPECT_EQ(QByteArray(straddling.data() + 62, 2), QByteArray(2, '\0'));
    EXPECT_EQ(TipText(straddling), QString(62, 'd'));
}

TEST(PropertyBag, DefaultsAreNeitherStoredNorKept)
{
    PropertyBag bag;
    bag.WriteProperty("A", 1, 0);
    bag.WriteProperty("B", 0, 0);
    bag.WriteProperty("C", "x", "");
    EXPECT_EQ(bag.Names(), QStringList({"A", "C"}));
    bag.WriteProperty("A", 0, 0);
    bag.WriteProperty("C", "y", "");
    EXPECT_EQ(bag.Names(), QStringList({"C"}));
    EXPECT_EQ(bag.ReadProperty("C", ""), "y");
    EXPECT_EQ(bag.ReadProperty("A", 5), 5);
}

} // namespace
