// Colours of the About window's two links as the pointer moves over the window.
#pragma once

namespace about {

enum class HoverTarget {
    Background,  // the window's client area outside every label
    SendEmail,   // the "Send Email" link
    ClickHere,   // the "Click Here" link
    OtherLabel,  // the title and the two captions
};

// Which links show red; a link that is not red is blue. Both start blue.
struct LinkColours {
    bool sendEmailRed = false;
    bool clickHereRed = false;
};

// The colours after the pointer moved over `target`. The background turns both links blue; a
// link turns itself red and leaves the other as it is; another label changes nothing. Leaving
// the window is no event here: a red link stays red until the pointer crosses the background.
LinkColours OnPointerOver(LinkColours colours, HoverTarget target);

}  // namespace about
