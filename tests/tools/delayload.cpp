// delayload: calls into crypt32 and bcrypt through the installer's delayed
// imports, after restricting the DLL search as the installer does at start.
// Exit 0 when both calls worked.
#include <windows.h>
#include <bcrypt.h>
#include <wincrypt.h>

#include "zrlsetup/utility/base/dllsearch.h"

int wmain() {
    zrl::RestrictDllSearchToSystem32();
    HCERTSTORE store = ::CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, 0, nullptr);
    if (!store) return 1;
    ::CertCloseStore(store, 0);
    unsigned char random[16] = {};
    if (::BCryptGenRandom(nullptr, random, sizeof random, BCRYPT_USE_SYSTEM_PREFERRED_RNG) != 0) return 2;
    return 0;
}
