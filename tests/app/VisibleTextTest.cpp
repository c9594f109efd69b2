// Every text of every window is drawn whole, in the font it is drawn with: each label, check
// box, button and tab has room for its text's bounding box, inside its window, and the glyphs
// of no two texts of a window run into each other. tests/app/CMakeLists.txt runs this twice: with
// the face the windows are laid out for, and with only the DejaVu faces installed.
#include "tests/app/WindowsSupport.h"

#include <QCheckBox>
#include <QFontDatabase>
#include <QLabel>
#include <QPushButton>
#include <QStyleOptionButton>
#include <QStyleOptionTab>
#include <QTabBar>

using namespace windows_test;

namespace {

// A text a control draws: the rectangle it needs, its ink (the glyphs' own box, for a text of
// one line) and the room it has, all in the window's coordinates; the room is clipped by the
// control and every widget it lies in.
struct DrawnText {
    QString control;
    QString text;
    QRect needed;
    QRect ink;
    QRect room;
};

QRect clippedToWindow(const QWidget* widget, QRect rect, const QWidget* window) {
    rect &= widget->rect();
    for (const QWidget* w = widget; w != window; w = w->parentWidget())
        rect = rect.translated(w->pos()) & w->parentWidget()->rect();
    return rect;
}

void add(std::vector<DrawnText>& texts, const QWidget* control, const QString& text,
         const QRect& needed, const QRect& room, const QWidget* window) {
    const QPoint origin = control->mapTo(window, QPoint(0, 0));
    const QFontMetrics metrics(control->font());
    const QRect ink = needed.height() >= 2 * metrics.height()
                          ? needed
                          : metrics.tightBoundingRect(text).translated(
                                needed.left(), needed.top() + metrics.ascent());
    texts.push_back({control->objectName(), text, needed.translated(origin), ink.translated(origin),
                     clippedToWindow(control, room, window)});
}

// The rectangle a text needs when centred in `room`, with `extraWidth` beside it (an icon).
QRect centred(const QFontMetrics& metrics, const QString& text, const QRect& room, int extraWidth) {
    const QSize size = metrics.size(Qt::TextShowMnemonic, text) + QSize(extraWidth, 0);
    QRect needed(QPoint(0, 0), size);
    needed.moveCenter(room.center());
    return needed;
}

std::vector<DrawnText> drawnTexts(QWidget* window) {
    std::vector<DrawnText> texts;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisible() || w->window() != window)
            continue;
        const QFontMetrics metrics(w->font());
        QStyle* style = w->style();
        if (auto* label = qobject_cast<QLabel*>(w)) {
            if (label->text().isEmpty() || !label->pixmap().isNull())
                continue;
            const int m = label->margin();
            const QRect room = label->contentsRect().adjusted(m, m, -m, -m);
            const int flags = int(label->alignment()) | (label->wordWrap() ? Qt::TextWordWrap : 0);
            add(texts, label, label->text(), metrics.boundingRect(room, flags, label->text()), room,
                window);
        } else if (auto* box = qobject_cast<QCheckBox*>(w)) {
            QStyleOptionButton option;
            option.initFrom(box);
            option.text = box->text();
            const QRect room = style->subElementRect(QStyle::SE_CheckBoxContents, &option, box);
            add(texts, box, box->text(),
                metrics.boundingRect(room, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic,
                                     box->text()),
                room, window);
        } else if (auto* button = qobject_cast<QPushButton*>(w)) {
            QStyleOptionButton option;
            option.initFrom(button);
            option.text = button->text();
            option.icon = button->icon();
            option.iconSize = button->iconSize();
            if (button->autoDefault())
                option.features |= QStyleOptionButton::AutoDefaultButton;
            if (button->isDefault())
                option.features |= QStyleOptionButton::DefaultButton;
            const QRect room =
                style->subElementRect(QStyle::SE_PushButtonContents, &option, button);
            const int iconWidth = button->icon().isNull() ? 0 : button->iconSize().width() + 4;
            add(texts, button, button->text(), centred(metrics, button->text(), room, iconWidth),
                room, window);
        } else if (auto* bar = qobject_cast<QTabBar*>(w)) {
            for (int i = 0; i < bar->count(); ++i) {
                QStyleOptionTab option;
                option.initFrom(bar);
                option.rect = bar->tabRect(i);
                option.text = bar->tabText(i);
                option.shape = bar->shape();
                option.documentMode = bar->documentMode();
                const QRect room = style->subElementRect(QStyle::SE_TabBarTabText, &option, bar);
                add(texts, bar, bar->tabText(i), centred(metrics, bar->tabText(i), room, 0), room,
                    window);
            }
        }
    }
    return texts;
}

std::string describe(const DrawnText& t) {
    auto rect = [](const QRect& r) {
        return QStringLiteral("%1x%2 at %3,%4")
            .arg(r.width())
            .arg(r.height())
            .arg(r.x())
            .arg(r.y());
    };
    return QStringLiteral("%1 \"%2\" needs %3 (ink %4), has %5")
        .arg(t.control, t.text, rect(t.needed), rect(t.ink), rect(t.room))
        .toStdString();
}

} // namespace

TEST_F(ProgramWindows, EveryTextIsDrawnWholeAndApartFromTheOthers) {
    int windows = 0;
    forEachWindow([&](QWidget* window) {
        ++windows;
        const std::vector<DrawnText> texts = drawnTexts(window);
        EXPECT_FALSE(texts.empty()) << windowName(window);
        for (std::size_t i = 0; i < texts.size(); ++i) {
            EXPECT_TRUE(texts[i].room.contains(texts[i].needed))
                << windowName(window) << ": " << describe(texts[i]);
            // The About title's shadow is the same text drawn over it on purpose.
            for (std::size_t j = i + 1; j < texts.size(); ++j)
                EXPECT_TRUE(texts[i].text == texts[j].text ||
                            !texts[i].ink.intersects(texts[j].ink))
                    << windowName(window) << ": " << describe(texts[i]) << " runs into "
                    << describe(texts[j]);
        }
    });
    EXPECT_EQ(windows, 5 + int(kMessages.size()) + 1);
}

// The run's fonts are what it claims: the windows' face, and in the second run the face they
// are laid out for really missing.
TEST(Faces, TheWindowsDrawInTheFaceOfThisRun) {
    const QString face = qEnvironmentVariable("ZANTREL_TEXT_FACE");
    if (face.isEmpty())
        GTEST_SKIP() << "ZANTREL_TEXT_FACE names the face this run draws in";
    EXPECT_EQ(QFontInfo(platform::formFont()).family(), face);
    const QString absent = qEnvironmentVariable("ZANTREL_ABSENT_FACE");
    if (!absent.isEmpty()) {
        EXPECT_FALSE(QFontDatabase::families().contains(absent));
    }
}
