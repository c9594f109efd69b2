// What a screen reader says for each control of each window: its name through the
// accessibility interface. Every control the Tab key reaches must be in the table.
#include "tests/app/WindowsSupport.h"

#include <QAccessible>
#include <QMessageBox>
#include <QTabBar>
#include <map>
#include <set>

using namespace windows_test;

namespace {

// By window class, by control (its object name, else its class; a tab: its bar and index).
const std::map<std::string, std::map<QString, QString>> kNames = {
    {"TMainForm",
     {{"qt_tabwidget_tabbar 0", "Фильмы"},
      {"qt_tabwidget_tabbar 1", "Мультфильмы"},
      {"qt_tabwidget_tabbar 2", "Сериалы / Мультсериалы"},
      {"qt_tabwidget_tabbar 3", "ВКонтакте"},
      {"FilmsGrid", "Фильмы"},
      {"MultGrid", "Мультфильмы"},
      {"SerialsGrid", "Сериалы / Мультсериалы"},
      {"VKFGrid", "ВКонтакте"},
      {"FindEdit", "Поиск видео/Автофильтр"},
      {"StartBitBtn", "Перейти к проигрователю"},
      {"BitBtn1", "Показать описание видео"},
      {"BitBtn2", "Выход"},
      {"StaticText2", "Описание видео"}}},
    {"TProxyForm",
     {{"ServerDBEdit", "Адрес"},
      {"PortDBEdit", "Порт"},
      {"LoginDBEdit", "Имя"},
      {"PasswordDBEdit", "Пароль"},
      {"DBCheckBox1", "Использовать настройки прокси"},
      {"BitBtn1", "Сохранить"},
      {"BitBtn2", "Отмена"}}},
    {"TConfigForm",
     {{"AutoupdateDBCheckBox", "Проверять наличие обновлений при запуске программы"},
      {"BitBtn1", "Сохранить"},
      {"BitBtn2", "Отмена"}}},
    {"TAboutForm", {}},
    {"TUpProgForm", {{"BitBtn1", "Да"}, {"BitBtn2", "Нет"}}},
    {"QMessageBox", {{"QPushButton", "OK"}}},
};

QString accessibleName(QObject* object) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(object);
    return face ? face->text(QAccessible::Name) : QStringLiteral("<no interface>");
}

QString key(const QWidget* w) {
    return w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className())
                                     : w->objectName();
}

} // namespace

TEST_F(ProgramWindows, EveryControlHasTheNameOfItsTable) {
    std::set<std::string> seen;
    forEachWindow([&](QWidget* window) {
        const std::string name = window->metaObject()->className();
        seen.insert(name);
        const auto table = kNames.find(name);
        ASSERT_NE(table, kNames.end()) << name;
        std::map<QString, QString> heard;
        for (QWidget* w : window->findChildren<QWidget*>()) {
            if (w->window() != window)
                continue;
            if (auto* tabs = qobject_cast<QTabBar*>(w)) {
                for (int i = 0; i < tabs->count(); ++i)
                    heard[key(w) + QStringLiteral(" %1").arg(i)] =
                        QAccessible::queryAccessibleInterface(w)->child(i)->text(QAccessible::Name);
            } else if (table->second.count(key(w))) {
                heard[key(w)] = accessibleName(w);
            } else {
                // A control the keyboard reaches is in the table.
                EXPECT_FALSE(w->isVisible() && (w->focusPolicy() & Qt::TabFocus) &&
                             !w->focusProxy())
                    << name << ": " << key(w).toStdString() << " is not in the table";
            }
        }
        EXPECT_EQ(heard, table->second) << name;
    });
    EXPECT_EQ(seen.size(), kNames.size());
}
