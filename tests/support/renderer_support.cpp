#include "tests/support/renderer_support.h"

namespace vk::test {

using namespace vk::ui;

namespace {

VKModule MakeModule() {
    VKModule m;
    DialogTemplate d;
    d.id = kOptionsDialog;
    d.title = u"Options";
    d.rect = {10, 10, 220, 150};
    d.style = kStyleVisible;
    d.controls = {
        {Kind::GroupBox, kGroup, u"Settings", {4, 2, 212, 80}},
        {Kind::Static, kLabel, u"&Name:", {10, 14, 40, 8}},
        {Kind::Edit, kEdit, u"first", {52, 12, 100, 12}},
        {Kind::CheckBox, kThree, u"&Three", {10, 30, 60, 10}, kStyleVisible | kStyleTriState},
        {Kind::Radio, kRadioA, u"A", {80, 30, 30, 10}},
        {Kind::Radio, kRadioB, u"B", {115, 30, 30, 10}},
        {Kind::Edit, kNotes, u"one\r\ntwo", {10, 44, 140, 30}, kStyleVisible | kStyleMultiline},
        {Kind::Progress, kBar, u"", {4, 86, 212, 8}},
        {Kind::Tab, kTabs, u"", {4, 98, 120, 24}},
        {Kind::Button, kIdOk, u"OK", {58, 130, 50, 14}, kStyleVisible | kStyleDefault},
        {Kind::Button, kIdCancel, u"Cancel", {112, 130, 50, 14}},
        {Kind::Button, kSkip, u"&Skip", {166, 130, 50, 14}},
    };
    m.dialogs[d.id] = d;
    DialogTemplate page;
    page.id = kPageDialog;
    page.title = u"Page";
    page.rect = {0, 0, 120, 60};
    page.style = kStyleVisible | kStyleChild;
    page.controls = {{Kind::TreeView, kTree, u"", {0, 0, 120, 60}, kStyleVisible | kStyleCheckBoxes}};
    m.dialogs[page.id] = page;
    VKImage states;
    states.frame = 16;
    states.width = 64;
    states.height = 16;
    const uint32_t colours[4] = {kWhite, kRed, kGreen, kBlue};
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 64; ++x) states.argb.push_back(colours[x / 16]);
    m.images[kStateImage] = states;
    return m;
}

} // namespace

const VKModule &TestModule() {
    static const VKModule module = MakeModule();
    return module;
}

std::vector<Seen> &SeenLog() {
    static std::vector<Seen> log;
    return log;
}

bool SawCommand(int32_t id, uint32_t notification) {
    for (const Seen &s : SeenLog())
        if (s.msg == kMsgCommand && s.wparam == ((static_cast<uintptr_t>(notification) << 16) | static_cast<uint16_t>(id)))
            return true;
    return false;
}

bool SawNotify(uint32_t code) {
    for (const Seen &s : SeenLog())
        if (s.msg == kMsgNotify && s.code == code) return true;
    return false;
}

intptr_t RecordingProc(VKHWND w, uint32_t msg, uintptr_t wparam, intptr_t lparam) {
    Seen s{msg, wparam, lparam};
    if (msg == kMsgNotify) s.code = reinterpret_cast<const Notify *>(lparam)->code;
    SeenLog().push_back(s);
    if (msg == kMsgCommand) {
        const auto id = static_cast<int32_t>(wparam & 0xFFFF);
        if ((wparam >> 16) == kBnClicked && (id == kIdOk || id == kIdCancel || id == kSkip)) {
            EndDialog(w, id);
            return 1;
        }
    }
    return 0;
}

} // namespace vk::test
