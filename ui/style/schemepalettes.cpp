#include "style/schemepalettes.h"

#include "style/colors.h"

namespace {

struct Roles {
    QRgb window, windowText, base, alternateBase, text, button, light, midlight, mid, dark, shadow,
        highlight, link, disabledText;
};

QPalette build(const Roles &roles)
{
    QPalette palette;
    const auto set = [&palette](QPalette::ColorRole role, QRgb rgb) {
        palette.setColor(role, QColor::fromRgba(rgb));
    };
    set(QPalette::Window, roles.window);
    set(QPalette::WindowText, roles.windowText);
    set(QPalette::Base, roles.base);
    set(QPalette::AlternateBase, roles.alternateBase);
    set(QPalette::Text, roles.text);
    set(QPalette::Button, roles.button);
    set(QPalette::ButtonText, roles.windowText);
    set(QPalette::BrightText, 0xffffffff);
    set(QPalette::Light, roles.light);
    set(QPalette::Midlight, roles.midlight);
    set(QPalette::Mid, roles.mid);
    set(QPalette::Dark, roles.dark);
    set(QPalette::Shadow, roles.shadow);
    set(QPalette::Highlight, roles.highlight);
    set(QPalette::HighlightedText, 0xffffffff);
    set(QPalette::Link, roles.link);
    set(QPalette::LinkVisited, roles.link);
    set(QPalette::ToolTipBase, roles.alternateBase);
    set(QPalette::ToolTipText, roles.text);
    palette.setColor(QPalette::PlaceholderText, Colors::placeholderText(palette));
    for (const QPalette::ColorRole role :
         {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, QColor::fromRgba(roles.disabledText));
    return palette;
}

} // namespace

QPalette SchemePalettes::light()
{
    return build({.window = 0xffefefef,
                  .windowText = 0xff000000,
                  .base = 0xffffffff,
                  .alternateBase = 0xfff7f7f7,
                  .text = 0xff000000,
                  .button = 0xffefefef,
                  .light = 0xffffffff,
                  .midlight = 0xffcacaca,
                  .mid = 0xffb8b8b8,
                  .dark = 0xff9f9f9f,
                  .shadow = 0xff767676,
                  .highlight = 0xff007aff,
                  .link = 0xff0058b8,
                  .disabledText = 0xff8e8e8e});
}

QPalette SchemePalettes::dark()
{
    return build({.window = 0xff2b2b2b,
                  .windowText = 0xffeeeeee,
                  .base = 0xff1e1e1e,
                  .alternateBase = 0xff3a3a3a,
                  .text = 0xffeeeeee,
                  .button = 0xff353535,
                  .light = 0xff505050,
                  .midlight = 0xff404040,
                  .mid = 0xff303030,
                  .dark = 0xff1a1a1a,
                  .shadow = 0xff000000,
                  .highlight = 0xff0a84ff,
                  .link = 0xff0a84ff,
                  .disabledText = 0xff7a7a7a});
}
