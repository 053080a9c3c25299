// For unit tests: the worked example of the service's answer, a record with every kind of field,
// built piece by piece (a hex escape would swallow the hex digits after it).
#pragma once

#include <string>

namespace record {

inline std::string WorkedExampleAnswer() {
    return std::string("N0CALL") + "\xB8" + "JANE" + "\xB9" + "Q" + "\xBA" + "SAMPLE" + "\xBC" +
           "12 ELM ST" + "\xBF" + "ANYTOWN" + "\xC0" + "IL" + "\xC1" + "60000" + "\xC6" + "LAKE" +
           "\xD1" + "United States" + "\xB6" + "E" + "\xCA" + "EN52" + "\xC8" + "42.25" + "\xC9" +
           "88.1" + "\xD0" + "BUREAU" + "\xC3" + "01/15/2005" + "\xC4" + "01/15/2015" + "\xB7" +
           "X" + "\xD3" + "Y" + "\xC7" + "-6" + "\xC5" + "11/02/2008" + "\xBB" + "IGNORED";
}

}  // namespace record
