#include "lookup/service_address_win.h"

#include "lookup/answer_cache.h"
#include "lookup/request.h"
#include "settings/settings_win.h"

namespace lookup {

std::string ServiceBaseUrl(const std::string& key, const std::string& builtInDefault) {
    return NormalizeBaseUrl(settings::ReadServiceSetting(key), builtInDefault);
}

net::ProxyChoice ProxyFromSettings() {
    const std::optional<std::string> value = settings::ReadProxySetting();
    if (!value) {
        net::ProxyChoice notUnderstood;
        notUnderstood.unreadable = true;
        return notUnderstood;
    }
    return net::ParseProxySetting(*value);
}

int KeepAnswersDaysFromSettings() {
    return ParseKeepAnswersDays(settings::ReadKeepAnswersSetting());
}

}  // namespace lookup
