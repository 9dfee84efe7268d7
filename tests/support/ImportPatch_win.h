// Test builds only: points the entries of this executable's import table for
// one function at a recording function, for as long as the object lives.
// The recorder calls original(), so the real function still runs; only the
// program's own calls pass through it (a system library's calls do not), and
// a test sees what the code under test asked of the system, in order.
// Main thread: patch before the calls and restore after them.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstring>
#include <vector>

namespace testsupport {

class ImportPatch {
public:
    ImportPatch(const char* dll, const char* function, const void* replacement) {
        auto* base = reinterpret_cast<BYTE*>(::GetModuleHandleW(nullptr));
        const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
        const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
        const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        if (!imports.VirtualAddress) return;
        for (auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); d->Name; ++d) {
            if (::lstrcmpiA(reinterpret_cast<const char*>(base + d->Name), dll) != 0) continue;
            // The names list, and beside it the slots the calls go through.
            const auto* names =
                reinterpret_cast<const IMAGE_THUNK_DATA*>(base + (d->OriginalFirstThunk ? d->OriginalFirstThunk
                                                                                         : d->FirstThunk));
            auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
            for (; names->u1.AddressOfData; ++names, ++slots) {
                if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
                const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
                if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) != 0) continue;
                void** slot = reinterpret_cast<void**>(&slots->u1.Function);
                original_ = *slot;
                write(slot, const_cast<void*>(replacement));
                slots_.push_back(slot);
            }
        }
    }
    ~ImportPatch() {
        for (void** slot : slots_) write(slot, original_);
    }
    ImportPatch(const ImportPatch&) = delete;
    ImportPatch& operator=(const ImportPatch&) = delete;

    bool applied() const { return !slots_.empty(); }
    template <typename Fn>
    Fn original() const {
        return reinterpret_cast<Fn>(original_);
    }

private:
    static void write(void** slot, void* value) {
        DWORD old = 0;
        ::VirtualProtect(slot, sizeof(void*), PAGE_READWRITE, &old);
        *slot = value;
        ::VirtualProtect(slot, sizeof(void*), old, &old);
    }

    std::vector<void**> slots_;
    void* original_ = nullptr;
};

}  // namespace testsupport
