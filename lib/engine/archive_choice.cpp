#include "lib/engine/archive_choice.h"

#include "platform/fs/fs.h"
#include "platform/text/text.h"
#include "platform/ui/ui.h"

namespace vk::engine {

std::u16string ExtensionList(const char16_t *extensions) {
    const std::u16string_view given = vk::text::View(extensions);
    return given.empty() ? std::u16string(u".vkb") : std::u16string(given);
}

std::vector<std::u16string> SplitExtensions(std::u16string_view list) {
    std::vector<std::u16string> out;
    size_t start = 0;
    while (start <= list.size()) {
        const size_t end = std::min(list.find(u';', start), list.size());
        if (end > start) out.emplace_back(list.substr(start, end - start));
        start = end + 1;
    }
    return out;
}

bool AsksForDialog(const char16_t *path) {
    const std::u16string_view p = vk::text::View(path);
    return p.empty() || p.back() == vk::fs::kSep;
}

std::u16string ChooseArchive(VKHWND owner, bool save, const char16_t *path, std::u16string_view title,
                             std::u16string_view description, std::u16string_view pattern) {
    const std::u16string desc(description), pat(pattern);
    const char16_t *pair[2] = {desc.c_str(), pat.c_str()};
    const char16_t *filter = BuildOFNFilter(pair, 1);
    // The filter is a list of NUL-terminated texts closed by an empty one.
    std::u16string filterList;
    for (const char16_t *p = filter; p && *p; p += vk::text::Length(p) + 1) {
        filterList += p;
        filterList.push_back(u'\0');
    }
    filterList.push_back(u'\0');

    vk::ui::FileDialogRequest request;
    request.owner = owner;
    request.save = save;
    request.title = std::u16string(title);
    request.filter = std::move(filterList);
    const std::u16string_view given = vk::text::View(path);
    request.initialDir = !given.empty() ? std::u16string(given)
                                        : std::u16string(vk::text::View(VKGetTalvernDir(DirBackup)));
    request.fileMustExist = !save;
    if (!vk::ui::FileDialog(request)) return {};
    const std::u16string &chosen = request.file;
    if (chosen.empty() || chosen.back() == vk::fs::kSep || vk::fs::IsDirectory(chosen)) return {};
    return chosen;
}

} // namespace vk::engine
