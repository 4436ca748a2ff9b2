#include "app/flows/update.h"

#include "app/flows/update_file.h"
#include "http/plain_get.h"
#include "text/primitives.h"

namespace talvex::app {

void CheckForUpdate(Window& window) {
    const Text text = BytesToText(HttpGetBytes(window.addresses().updateUrl));
    if (!NamesAnotherVersion(UpdateFileVersion(text))) {
        return;
    }
    window.SetVisible(Control::NewVersionEdit, true);
    window.SetVisible(Control::NewVersionCaption, true);
    window.SetText(Control::NewVersionEdit, UpdateFileAddress(text));
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
