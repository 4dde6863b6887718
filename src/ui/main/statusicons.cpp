// SPDX-License-Identifier: MIT
#include "statusicons.h"

#include <QAbstractItemView>
#include <QHash>
#include <QStyledItemDelegate>

namespace
{

QIcon listIcon(const QString& resource)
{
    // Pre-rendered at the list's size, for normal and high-density screens, so the list never
    // rasterises SVG per node. The selected mode gets the same pictures: without them Qt derives
    // one blended with the highlight colour.
    const QIcon svg(resource);
    QIcon icon;
    for (const qreal ratio : {1.0, 2.0}) {
        const QPixmap picture = svg.pixmap(QSize(32, 32), ratio);
        icon.addPixmap(picture, QIcon::Normal);
        icon.addPixmap(picture, QIcon::Selected);
    }
    return icon;
}

class IconPlaceDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        const QSize place = option->decorationSize; // the view's icon size
        QStyledItemDelegate::initStyleOption(option, index);
        option->features |= QStyleOptionViewItem::HasDecoration;
        option->decorationSize = place;
    }
};

} // namespace

QIcon StatusIcon(const QString& statusWord)
{
    static const QHash<QString, QIcon> images = {
        {QStringLiteral("SPECIAL"), listIcon(QStringLiteral(":/icons/shield-yellow.svg"))},
        {QStringLiteral("COMPLETE"), listIcon(QStringLiteral(":/icons/shield-green.svg"))},
        {QStringLiteral("INCOMPLETE"), listIcon(QStringLiteral(":/icons/shield-red.svg"))},
    };
    return images.value(statusWord.toUpper());
}

void KeepIconPlace(QAbstractItemView& view)
{
    view.setItemDelegate(new IconPlaceDelegate(&view));
}

QIcon CalendarIcon()
{
    // Drawn from the SVG at whatever size a title bar or task bar asks for, and once at its
    // design size for the title bar's usual request.
    static const QIcon icon = [] {
        QIcon svg(QStringLiteral(":/icons/calendar.svg"));
        svg.addPixmap(svg.pixmap(32, 32));
        return svg;
    }();
    return icon;
}
