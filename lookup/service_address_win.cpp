#include "lookup/service_address_win.h"

#include "lookup/request.h"
#include "settings/settings_win.h"

namespace lookup {

std::string ServiceBaseUrl(const std::string& key, const std::string& builtInDefault) {
    return NormalizeBaseUrl(settings::ReadServiceSetting(key), builtInDefault);
}

}  // namespace lookup
