#include "app/flows/update.h"

#include "http/plain_get.h"
#include "text/primitives.h"

namespace talvex::app {
namespace {

// The tool's own version, compared byte for byte with the one the update file names.
const Text kOwnVersion("1.6");
// 【Vornik开始】 and 【Vornik结束】 enclose the version; the end marker also opens the
// download address, which 【Vornik地址】 closes.
const Text kStartMarker("\xA1\xBEVornik\xBF\xAA\xCA\xBC\xA1\xBF");
const Text kEndMarker("\xA1\xBEVornik\xBD\xE1\xCA\xF8\xA1\xBF");
const Text kAddressMarker("\xA1\xBEVornik\xB5\xD8\xD6\xB7\xA1\xBF");

}  // namespace

bool IsWebAddress(const Text& address) {
    const Text lower = ToLowerText(address);
    return lower.view().starts_with("http://") || lower.view().starts_with("https://");
}

void CheckForUpdate(Window& window) {
    const Text text = BytesToText(HttpGetBytes(window.addresses().updateUrl));
    const Text version = TextBetween(text, kStartMarker, kEndMarker);
    if (version.empty() || version == kOwnVersion) {
        return;
    }
    window.SetVisible(Control::NewVersionEdit, true);
    window.SetVisible(Control::NewVersionCaption, true);
    window.SetText(Control::NewVersionEdit, TextBetween(text, kEndMarker, kAddressMarker));
    // The file arrives over plain HTTP: only a web address goes on to the desktop, never a
    // local file, a program or another scheme's handler.
    const Text address = window.GetText(Control::NewVersionEdit);
    if (IsWebAddress(address)) {
        OpenUrl(address);
    }
}

void OpenBannerLinks(const Addresses& addresses) {
    OpenUrlsInOrder({addresses.sharePage, addresses.publisherSite});
}

}  // namespace talvex::app
