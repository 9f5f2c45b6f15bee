// SPDX-License-Identifier: MIT
// GetPng.dll: the ASP kit's code image as an in-process COM server. Its one class, GetPng.CodeImage, has one
// method, Draw(Code, Path): codeimg's drawing of the four digits, written as codeimg writes it to a new file at
// Path; the result is 0 once that file is written and closed. VBScript binds late, so IDispatch alone serves it
// and there is no type library.
//
// Nothing is kept between calls: rand() is seeded on every call, and the CRT keeps its state per thread, so calls
// on IIS's threads at the same time draw independently. That makes the object free-threaded (ThreadingModel
// Both); only the reference counts are shared.
#include <windows.h>

#include <oaidl.h>
#include <objbase.h>
#include <oleauto.h>
#include <olectl.h>

#include "codeimg/main.h"

#include <cstdio>
#include <cwchar>
#include <new>
#include <string>

namespace {

using namespace orvex::codeimg;

// {A59A6AEE-8FEC-43DA-9DBD-3BF0DA537AF8}
constexpr CLSID kClsid = {0xa59a6aee, 0x8fec, 0x43da, {0x9d, 0xbd, 0x3b, 0xf0, 0xda, 0x53, 0x7a, 0xf8}};
constexpr wchar_t kProgId[] = L"GetPng.CodeImage";
constexpr DISPID kDrawId = 1;

// Draw's results. Only 0 tells the page there is an image; the others are for whoever debugs a server.
constexpr LONG kDrawn = 0;
constexpr LONG kBadCode = 1;    // not exactly four characters 0-9
constexpr LONG kBadPath = 2;    // empty, relative or holding a NUL
constexpr LONG kNotCreated = 3; // the file could not be opened for writing
constexpr LONG kNotWritten = 4; // libpng or the close failed; the partial file is removed

HMODULE g_module = nullptr;
// Live objects plus LockServer(TRUE) calls; the DLL may be unloaded only when none are left.
LONG g_locks = 0;

// "X:\..." or "\\server\..." (which includes "\\?\..."). Drive-relative and rooted paths would depend on the
// process's current drive and directory, which under IIS is system32.
bool IsFullPath(const wchar_t* path, UINT length) {
    const auto slash = [](wchar_t c) { return c == L'\\' || c == L'/'; };
    if (length >= 3 && path[1] == L':' && slash(path[2])) {
        return (path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z');
    }
    return length >= 3 && slash(path[0]) && slash(path[1]);
}

LONG Draw(BSTR code, BSTR path) {
    constexpr UINT kCodeLength = 4;
    if (SysStringLen(code) != kCodeLength) {
        return kBadCode;
    }
    char digits[kCodeLength + 1] = {};
    for (UINT i = 0; i < kCodeLength; ++i) {
        if (code[i] < L'0' || code[i] > L'9') {
            return kBadCode;
        }
        digits[i] = static_cast<char>(code[i]);
    }
    const UINT pathLength = SysStringLen(path);
    if (!IsFullPath(path, pathLength) || std::wcslen(path) != pathLength) {
        return kBadPath;
    }
    unsigned char canvas[kCanvasSize];
    SeedFromClock();
    DrawCodeImage(canvas, digits);
    std::FILE* const fp = _wfopen(path, L"wb");
    if (fp == nullptr) {
        return kNotCreated;
    }
    if (!PngPutImage(fp, canvas)) {
        DeleteFileW(path);
        return kNotWritten;
    }
    return kDrawn;
}

// A VARIANT that clears itself.
struct Variant {
    VARIANT v;
    Variant() { VariantInit(&v); }
    ~Variant() { VariantClear(&v); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
};

// Any argument as a string: VBScript passes variables by reference (VT_BYREF | VT_VARIANT), CStr(...) and other
// expressions by value, and a number stays a number until converted here.
bool ToString(VARIANT& arg, Variant& out) {
    Variant plain;
    return SUCCEEDED(VariantCopyInd(&plain.v, &arg)) && SUCCEEDED(VariantChangeType(&out.v, &plain.v, 0, VT_BSTR));
}

class CodeImage final : public IDispatch {
public:
    CodeImage() { InterlockedIncrement(&g_locks); }
    CodeImage(const CodeImage&) = delete;
    CodeImage& operator=(const CodeImage&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (object == nullptr) {
            return E_POINTER;
        }
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch)) {
            *object = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&m_refs)); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&m_refs);
        if (left == 0) {
            delete this;
        }
        return static_cast<ULONG>(left);
    }

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (count == nullptr) {
            return E_POINTER;
        }
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
        if (info != nullptr) {
            *info = nullptr;
        }
        return DISP_E_BADINDEX;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        if (!IsEqualIID(riid, IID_NULL)) {
            return DISP_E_UNKNOWNINTERFACE;
        }
        if (names == nullptr || ids == nullptr) {
            return E_POINTER;
        }
        // The first name is the member's, the others would be its parameters', which callers cannot name.
        HRESULT result = S_OK;
        for (UINT i = 0; i < count; ++i) {
            if (i == 0 && names[0] != nullptr && _wcsicmp(names[0], L"Draw") == 0) {
                ids[0] = kDrawId;
            } else {
                ids[i] = DISPID_UNKNOWN;
                result = DISP_E_UNKNOWNNAME;
            }
        }
        return result;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO*, UINT* argError) override {
        if (!IsEqualIID(riid, IID_NULL)) {
            return DISP_E_UNKNOWNINTERFACE;
        }
        if (id != kDrawId || (flags & DISPATCH_METHOD) == 0) {
            return DISP_E_MEMBERNOTFOUND;
        }
        if (params == nullptr) {
            return E_INVALIDARG;
        }
        if (params->cNamedArgs != 0) {
            return DISP_E_NONAMEDARGS;
        }
        if (params->cArgs != 2 || params->rgvarg == nullptr) {
            return DISP_E_BADPARAMCOUNT;
        }
        // rgvarg holds the arguments last first; argError indexes it.
        Variant code, path;
        for (const UINT at : {1U, 0U}) {
            if (!ToString(params->rgvarg[at], at == 1 ? code : path)) {
                if (argError != nullptr) {
                    *argError = at;
                }
                return DISP_E_TYPEMISMATCH;
            }
        }
        const LONG drawn = Draw(V_BSTR(&code.v), V_BSTR(&path.v));
        if (result != nullptr) {
            VariantInit(result);
            V_VT(result) = VT_I4;
            V_I4(result) = drawn;
        }
        return S_OK;
    }

private:
    ~CodeImage() { InterlockedDecrement(&g_locks); }

    LONG m_refs = 1;
};

// One factory for the process; it holds no state of its own and lives as long as the DLL.
class Factory final : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (object == nullptr) {
            return E_POINTER;
        }
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
            *object = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** object) override {
        if (object == nullptr) {
            return E_POINTER;
        }
        *object = nullptr;
        if (outer != nullptr) {
            return CLASS_E_NOAGGREGATION;
        }
        CodeImage* const image = new (std::nothrow) CodeImage;
        if (image == nullptr) {
            return E_OUTOFMEMORY;
        }
        const HRESULT found = image->QueryInterface(riid, object);
        image->Release();
        return found;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        if (lock) {
            InterlockedIncrement(&g_locks);
        } else {
            InterlockedDecrement(&g_locks);
        }
        return S_OK;
    }
};

Factory g_factory;

// Registration is per machine, as regsvr32 in an administrator's console does it for IIS, in HKCR's machine half.
std::wstring ClassKey() {
    wchar_t clsid[40];
    StringFromGUID2(kClsid, clsid, 40);
    return std::wstring(L"Software\\Classes\\CLSID\\") + clsid;
}

std::wstring ProgIdKey() {
    return std::wstring(L"Software\\Classes\\") + kProgId;
}

LSTATUS SetString(const std::wstring& key, const wchar_t* name, const std::wstring& value) {
    HKEY handle = nullptr;
    LSTATUS status = RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                     KEY_SET_VALUE, nullptr, &handle, nullptr);
    if (status != ERROR_SUCCESS) {
        return status;
    }
    status = RegSetValueExW(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(handle);
    return status;
}

LSTATUS DeleteTree(const std::wstring& key) {
    const LSTATUS status = RegDeleteTreeW(HKEY_LOCAL_MACHINE, key.c_str());
    return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status;
}

std::wstring ModulePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(g_module, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            return L"";
        }
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

HRESULT FromStatus(LSTATUS status) {
    return status == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(static_cast<unsigned long>(status));
}

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* object) {
    if (object == nullptr) {
        return E_POINTER;
    }
    *object = nullptr;
    if (!IsEqualCLSID(rclsid, kClsid)) {
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    return g_factory.QueryInterface(riid, object);
}

STDAPI DllCanUnloadNow() {
    return g_locks == 0 ? S_OK : S_FALSE;
}

STDAPI DllRegisterServer() {
    try {
        const std::wstring module = ModulePath();
        if (module.empty()) {
            return SELFREG_E_CLASS;
        }
        const std::wstring classKey = ClassKey();
        wchar_t clsid[40];
        StringFromGUID2(kClsid, clsid, 40);
        const std::wstring values[][3] = {
            {classKey, L"", L"orvex code image"},
            {classKey + L"\\InprocServer32", L"", module},
            {classKey + L"\\InprocServer32", L"ThreadingModel", L"Both"},
            {classKey + L"\\ProgID", L"", kProgId},
            {ProgIdKey(), L"", L"orvex code image"},
            {ProgIdKey() + L"\\CLSID", L"", clsid},
        };
        for (const auto& value : values) {
            const LSTATUS status = SetString(value[0], value[1].empty() ? nullptr : value[1].c_str(), value[2]);
            if (status != ERROR_SUCCESS) {
                DllUnregisterServer();
                return FromStatus(status);
            }
        }
        return S_OK;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

STDAPI DllUnregisterServer() {
    try {
        const LSTATUS progId = DeleteTree(ProgIdKey());
        const LSTATUS classKey = DeleteTree(ClassKey());
        return FromStatus(progId != ERROR_SUCCESS ? progId : classKey);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}
