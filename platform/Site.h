#pragma once
// The maker's web site: scheme and host, the same for every use (home page, player movie,
// player style file, site link). Fixed at build time; ZANTREL_SITE_URL in the environment
// overrides it.
#include <QString>

namespace platform {

QString siteBaseUrl();
// The site's home page: the base URL followed by "/".
inline QString siteHomeUrl() {
    return siteBaseUrl() + QLatin1Char('/');
}

} // namespace platform
