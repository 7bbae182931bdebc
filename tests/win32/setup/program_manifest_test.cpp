#include <gtest/gtest.h>
#include <windows.h>
#include <msxml2.h>

#include <set>
#include <string>
#include <vector>

// Both programs carry an application manifest that a strict XML parser
// accepts and the system's own manifest reader takes: administrator, the
// supported Windows versions, not DPI-aware, and no common controls 6 (the
// program's own assembly is its only one).

namespace {

const char* const kPrograms[] = {SETUP_PROGRAM_PATH, UNINSTALLER_PATH};

// Windows Vista, 7, 8, 8.1 and 10/11.
const char* const kSupportedOs[] = {
    "{E2011457-1546-43C5-A5FE-008DEEE3D3F0}", "{35138B9A-5D96-4FBD-8E2D-A2440225F93A}",
    "{4A2F28E3-53B9-4441-BA9C-D69D4A4A6E38}", "{1F676C76-80E1-4239-95BB-83D0F6D0DA78}",
    "{8E0F7A12-BFB3-4FE8-B9A5-48FD50A15A9A}",
};

std::string manifestBytes(const char* program) {
    HMODULE image = LoadLibraryExA(program, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (image == nullptr) return {};
    std::string bytes;
    if (HRSRC found = FindResourceA(image, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24))) {
        const void* data = LockResource(LoadResource(image, found));
        if (data != nullptr) bytes.assign(static_cast<const char*>(data), SizeofResource(image, found));
    }
    FreeLibrary(image);
    return bytes;
}

// Empty when the text is well-formed XML, else the parser's reason.
std::string xmlProblem(const std::string& text) {
    CLSID documentClass;
    IXMLDOMDocument* document = nullptr;
    if (FAILED(CLSIDFromProgID(L"Msxml2.DOMDocument.3.0", &documentClass)) ||
        FAILED(CoCreateInstance(documentClass, nullptr, CLSCTX_INPROC_SERVER, IID_IXMLDOMDocument,
                                reinterpret_cast<void**>(&document))))
        return "no XML parser";
    std::wstring wide(text.begin(), text.end());
    BSTR source = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
    VARIANT_BOOL loaded = VARIANT_FALSE;
    document->put_async(VARIANT_FALSE);
    document->loadXML(source, &loaded);
    SysFreeString(source);
    std::string problem;
    if (loaded != VARIANT_TRUE) {
        problem = "not well-formed: ";
        IXMLDOMParseError* error = nullptr;
        BSTR reason = nullptr;
        if (SUCCEEDED(document->get_parseError(&error)) && SUCCEEDED(error->get_reason(&reason)) && reason) {
            for (const wchar_t* c = reason; *c; ++c) problem += static_cast<char>(*c);
            SysFreeString(reason);
        }
        if (error) error->Release();
    }
    document->Release();
    return problem;
}

std::string guidText(const GUID& id) {
    wchar_t text[40] = {};
    StringFromGUID2(id, text, 40);
    return std::string(text, text + wcslen(text));
}

// The supportedOS ids of the context. The element grew a field in later
// systems, so its size is taken from what the system wrote.
std::set<std::string> supportedOs(HANDLE context) {
    std::vector<unsigned char> buffer(1024);
    SIZE_T written = 0;
    if (!QueryActCtxW(0, context, nullptr, CompatibilityInformationInActivationContext, buffer.data(),
                      buffer.size(), &written))
        return {};
    DWORD count = 0;
    memcpy(&count, buffer.data(), sizeof count);
    std::set<std::string> ids;
    if (count == 0) return ids;
    const SIZE_T offset = (written - 4) % count == 0 ? 4 : 8;
    const SIZE_T stride = (written - offset) / count;
    for (DWORD i = 0; i < count; ++i) {
        COMPATIBILITY_CONTEXT_ELEMENT element;
        memcpy(&element, buffer.data() + offset + i * stride, sizeof element);
        if (element.Type == ACTCTX_COMPATIBILITY_ELEMENT_TYPE_OS) ids.insert(guidText(element.Id));
    }
    return ids;
}

TEST(ProgramManifest, BothProgramsDeclareAdministratorSupportedSystemsAndClassicControls) {
    CoInitialize(nullptr);
    for (const char* program : kPrograms) {
        SCOPED_TRACE(program);
        const std::string manifest = manifestBytes(program);
        ASSERT_FALSE(manifest.empty()) << "no manifest resource";
        EXPECT_EQ(xmlProblem(manifest), "");

        ACTCTXA request = {};
        request.cbSize = sizeof request;
        request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
        request.lpSource = program;
        request.lpResourceName = MAKEINTRESOURCEA(1);
        HANDLE context = CreateActCtxA(&request);
        ASSERT_NE(context, INVALID_HANDLE_VALUE) << "the system refuses the manifest: " << GetLastError();

        ACTIVATION_CONTEXT_RUN_LEVEL_INFORMATION runLevel = {};
        EXPECT_TRUE(QueryActCtxW(0, context, nullptr, RunlevelInformationInActivationContext, &runLevel,
                                 sizeof runLevel, nullptr));
        EXPECT_EQ(runLevel.RunLevel, ACTCTX_RUN_LEVEL_REQUIRE_ADMIN);
        EXPECT_EQ(runLevel.UiAccess, 0u);

        EXPECT_EQ(supportedOs(context), std::set<std::string>(std::begin(kSupportedOs), std::end(kSupportedOs)));

        wchar_t dpiAware[16] = {};
        SIZE_T written = 0;
        EXPECT_TRUE(QueryActCtxSettingsW(0, context, L"http://schemas.microsoft.com/SMI/2005/WindowsSettings",
                                         L"dpiAware", dpiAware, 16, &written));
        EXPECT_STREQ(dpiAware, L"false");

        // The record is followed by its texts.
        std::vector<unsigned char> details(4096);
        ASSERT_TRUE(QueryActCtxW(0, context, nullptr, ActivationContextDetailedInformation, details.data(),
                                 details.size(), nullptr));
        EXPECT_EQ(reinterpret_cast<const ACTIVATION_CONTEXT_DETAILED_INFORMATION*>(details.data())->ulAssemblyCount,
                  1u)
            << "a dependent assembly (common controls 6?)";
        ReleaseActCtx(context);
    }
    CoUninitialize();
}

}  // namespace
