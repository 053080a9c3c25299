#include "lookup/service_address_win.h"

#include "lookup/answer_cache.h"
#include "lookup/request.h"
#include "settings/settings_win.h"

namespace lookup {

std::string ServiceBaseUrl(const std::string& key, const std::string& builtInDefault) {
    return NormalizeBaseUrl(settings::ReadServiceSetting(key), builtInDefault);
}

ProxyChoice ProxyFromSettings() {
    return ParseProxySetting(settings::ReadProxySetting());
}

int KeepAnswersDaysFromSettings() {
    return ParseKeepAnswersDays(settings::ReadKeepAnswersSetting());
}

}  // namespace lookup
