#include "update/UpProgUnit.h"

#include "net/IdHTTP.h"
#include "pages/Markers.h"
#include "pages/PlayerPage.h"
#include "platform/Codec.h"
#include "platform/Dialogs.h"
#include "platform/Guard.h"
#include "platform/Shell.h"
#include "platform/Site.h"
#include "ui_UpProgUnit.h"

TUpProgForm* UpProgForm = nullptr;

namespace {

std::string fetchHome(TIdHTTP& http) {
    platform::BusyCursor busy;
    return http.Get(codec::toCp1251(platform::siteHomeUrl()));
}

// Stores the label in the version buffer and tells whether it is the program's own version.
bool storeLabel(const BulletinBuffers& buffers, const std::string& homePage,
                const QString& ownVersion) {
    *buffers.version = textUpToNul(cut(homePage, markers::kSiteVersion));
    return codec::fromCp1251(*buffers.version) == ownVersion;
}

} // namespace

TUpProgForm::TUpProgForm(QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::UpProgForm>()) {
    ui_->setupUi(this);
    platform::setUpFixedDialog(this, QStringLiteral("Обновление!"), QSize(412, 146),
                               platform::Border::Bare);
    platform::connectCloseButtons(this, ui_->BitBtn1, ui_->BitBtn2, [this] { BitBtn1Click(); });
}

TUpProgForm::~TUpProgForm() = default;

void TUpProgForm::BitBtn1Click() {
    platform::shellExecute(
        {nullptr, QStringLiteral("Open"), platform::siteHomeUrl(), platform::SW_SHOW});
}

void activationCheck(TIdHTTP& http, const BulletinBuffers& buffers, const QString& ownVersion) {
    platform::networkCommand([&] {
        const std::string first = fetchHome(http);
        const std::string second = fetchHome(http);
        *buffers.notice = textUpToNul(normaliseLineBreaks(cut(first, markers::kSiteNotice)));
        if (!storeLabel(buffers, second, ownVersion))
            platform::messageBox(QStringLiteral(
                "На сайте разработчика доступна новая версия программы. Посетите сайт "
                "разработчика и скачайте более новую версию Zantrel!"));
    });
}

void onDemandCheck(TIdHTTP& http, const BulletinBuffers& buffers, const QString& ownVersion,
                   QWidget* owner) {
    platform::networkCommand([&] {
        const std::string page = fetchHome(http);
        if (!storeLabel(buffers, page, ownVersion)) {
            if (UpProgForm)
                platform::showModalCentred(UpProgForm, owner);
        } else {
            platform::messageBox(QStringLiteral(
                "Вы используете последнюю версию программы Zantrel! Для данной версии "
                "программы нет доступных обновлений."));
        }
    });
}
