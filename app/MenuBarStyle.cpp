#include "app/MenuBarStyle.h"

#include <QPainter>
#include <QStyleOptionMenuItem>

namespace {
constexpr int kIcon = 16;
constexpr int kGap = 4;
} // namespace

QSize MenuBarStyle::sizeFromContents(ContentsType type, const QStyleOption* option,
                                     const QSize& size, const QWidget* widget) const {
    const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    if (type == CT_MenuBarItem && item && !item->icon.isNull() && !item->text.isEmpty()) {
        QStyleOptionMenuItem plain = *item;
        plain.icon = QIcon();
        const QSize text = item->fontMetrics.size(Qt::TextShowMnemonic, item->text);
        QSize sized = QProxyStyle::sizeFromContents(type, &plain, text, widget);
        sized.rwidth() += kIcon + kGap;
        sized.setHeight(qMax(sized.height(), kIcon + 4));
        return sized;
    }
    return QProxyStyle::sizeFromContents(type, option, size, widget);
}

void MenuBarStyle::drawControl(ControlElement element, const QStyleOption* option,
                               QPainter* painter, const QWidget* widget) const {
    const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    if (element == CE_MenuBarItem && item && !item->icon.isNull() && !item->text.isEmpty()) {
        QStyleOptionMenuItem background = *item;
        background.icon = QIcon();
        background.text.clear();
        QProxyStyle::drawControl(element, &background, painter, widget);
        const QRect r = item->rect;
        const QPixmap pixmap = item->icon.pixmap(
            QSize(kIcon, kIcon), (item->state & State_Enabled) ? QIcon::Normal : QIcon::Disabled);
        painter->drawPixmap(r.left() + kGap, r.top() + (r.height() - kIcon) / 2, pixmap);
        QStyleOptionMenuItem caption = *item;
        caption.icon = QIcon();
        caption.rect = r.adjusted(kIcon + kGap, 0, 0, 0);
        QProxyStyle::drawControl(element, &caption, painter, widget);
        return;
    }
    QProxyStyle::drawControl(element, option, painter, widget);
}
