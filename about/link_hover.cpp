#include "about/link_hover.h"

namespace about {

LinkColours OnPointerOver(LinkColours colours, HoverTarget target) {
    switch (target) {
        case HoverTarget::Background:
            colours.sendEmailRed = false;
            colours.clickHereRed = false;
            break;
        case HoverTarget::SendEmail:
            colours.sendEmailRed = true;
            break;
        case HoverTarget::ClickHere:
            colours.clickHereRed = true;
            break;
        case HoverTarget::OtherLabel:
            break;
    }
    return colours;
}

}  // namespace about
