// Kind and style rules for X11 windows.
#include "X11WindowClass.h"

namespace kivra::x11 {
namespace {
constexpr std::uint32_t Caption = 0x00C00000u;
constexpr std::uint32_t SysMenu = 0x00080000u;
constexpr std::uint32_t ThickFrame = 0x00040000u;
constexpr std::uint32_t MinimizeBox = 0x00020000u;
constexpr std::uint32_t ModalFrame = 0x00000080u;
}  // namespace

WindowKind classifyKind(const WindowFacts& facts) {
    if (facts.overrideRedirect || facts.type == NetWindowType::Auxiliary) return WindowKind::Popup;
    if (facts.type == NetWindowType::Dialog || facts.transient) return WindowKind::Dialog;
    return WindowKind::Normal;
}

std::uint32_t synthesizeStyle(WindowKind kind, const WindowFacts& facts) {
    const std::uint32_t visible = facts.visible ? style::Visible : 0u;
    switch (kind) {
        case WindowKind::Popup: return style::Popup | visible;
        case WindowKind::Dialog:
        case WindowKind::HelpViewer: return style::Popup | Caption | SysMenu | ModalFrame | visible;
        case WindowKind::Normal: break;
    }
    std::uint32_t bits = style::ClipSiblings | style::ClipChildren | visible;
    const bool decorated = facts.decoration == Decoration::Decorated;
    const bool resizable = facts.sizing == Sizing::Resizable;
    if (decorated && resizable) bits |= style::OverlappedWindow;
    else if (decorated) bits |= Caption | SysMenu | MinimizeBox;
    else if (resizable) bits |= ThickFrame;
    return bits;
}

}  // namespace kivra::x11
