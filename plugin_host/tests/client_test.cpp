// lumbraplug through a C++ client: the registered type library, IDispatch, errors, events,
// persistence, size and the library's own lifetime.
#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "plugin_host/tests/plugin_test_support.h"
#include "win32/bstr.h"

using namespace plugintest;
using rw::win::Bstr;

namespace {

struct MemberRow {
    const wchar_t* name;
    DISPID id;
    INVOKEKIND kind;
    const wchar_t* help;
    DWORD context;
    std::vector<std::wstring> params; // parameter names after the member name
    std::vector<VARTYPE> types;       // VT_PTR stands for a BSTR* result
    std::vector<USHORT> flags;
};

const USHORT kIn = PARAMFLAG_FIN;
const USHORT kRetval = PARAMFLAG_FOUT | PARAMFLAG_FRETVAL;

const MemberRow kMembers[] = {
    {L"Title",
     1,
     INVOKE_PROPERTYGET,
     L"Title of PlugIn",
     1010,
     {L"nIndex", L"pVal"},
     {VT_INT, VT_PTR},
     {kIn, kRetval}},
    {L"FileName",
     2,
     INVOKE_PROPERTYGET,
     L"FileName of PlugIn",
     1008,
     {L"nIndex", L"pVal"},
     {VT_INT, VT_PTR},
     {kIn, kRetval}},
    {L"Category",
     3,
     INVOKE_PROPERTYGET,
     L"PlugIn Category",
     1005,
     {L"nIndex", L"pVal"},
     {VT_INT, VT_PTR},
     {kIn, kRetval}},
    {L"InvokePlugIn",
     4,
     INVOKE_FUNC,
     L"Invokes the specified PlugIn",
     1013,
     {L"szFileName", L"hDIB"},
     {VT_BSTR, VT_I4},
     {kIn, kIn}},
    {L"SelectPlugIns",
     5,
     INVOKE_FUNC,
     L"method SelectPlugIns",
     1014,
     {L"pVal"},
     {VT_PTR},
     {kRetval}},
    {L"Directory", 6, INVOKE_PROPERTYGET, L"Directory", 1007, {L"pVal"}, {VT_PTR}, {kRetval}},
    {L"Directory", 6, INVOKE_PROPERTYPUT, L"Directory", 1007, {}, {VT_BSTR}, {kIn}},
    {L"PlugInCount",
     7,
     INVOKE_PROPERTYGET,
     L"Number of PlugIns found",
     1009,
     {L"pVal"},
     {VT_PTR},
     {kRetval}},
    {L"About",
     8,
     INVOKE_FUNC,
     L"Displays PlugIn About dialog",
     0,
     {L"szFileName"},
     {VT_BSTR},
     {kIn}},
    {L"AboutBox", -552, INVOKE_FUNC, L"Displays AboutBox", 0, {}, {}, {}},
};

ComPtr<ITypeLib> RegisteredLibrary() {
    RegisterControl();
    ComPtr<ITypeLib> library;
    EXPECT_EQ(LoadRegTypeLib(LIBID_LUMBRAPLUGLib, 1, 0, 0x0409, library.Put()), S_OK);
    return library;
}

struct Doc {
    Bstr name, help, file;
    DWORD context = 0xDEADBEEF;
};
Doc Documentation(ITypeInfo* info, MEMBERID id) {
    Doc doc;
    EXPECT_EQ(
        info->GetDocumentation(id, doc.name.Put(), doc.help.Put(), &doc.context, doc.file.Put()),
        S_OK);
    return doc;
}

} // namespace

TEST(PlugInTypeLibrary, LibraryAndClassAsRegistered) {
    ComPtr<ITypeLib> library = RegisteredLibrary();
    ASSERT_TRUE(library);
    TLIBATTR* attr = nullptr;
    ASSERT_EQ(library->GetLibAttr(&attr), S_OK);
    EXPECT_TRUE(IsEqualGUID(attr->guid, LIBID_LUMBRAPLUGLib));
    EXPECT_EQ(attr->lcid, 0x0409u);
    EXPECT_EQ(attr->wMajorVerNum, 1);
    EXPECT_EQ(attr->wMinorVerNum, 0);
    library->ReleaseTLibAttr(attr);
    Bstr name, help, file;
    DWORD context = 1;
    ASSERT_EQ(library->GetDocumentation(-1, name.Put(), help.Put(), &context, file.Put()), S_OK);
    EXPECT_EQ(name.View(), L"LUMBRAPLUGLib");
    EXPECT_EQ(help.View(), L"Lumbra PhotoShop Plugin Control");
    EXPECT_EQ(context, 0u);
    EXPECT_TRUE(file) << "the library names a help file";

    ComPtr<ITypeInfo> coclass;
    ASSERT_EQ(library->GetTypeInfoOfGuid(CLSID_PlugIn, coclass.Put()), S_OK);
    TYPEATTR* type = nullptr;
    ASSERT_EQ(coclass->GetTypeAttr(&type), S_OK);
    EXPECT_EQ(type->typekind, TKIND_COCLASS);
    EXPECT_EQ(type->wTypeFlags, TYPEFLAG_FCANCREATE);
    EXPECT_EQ(type->cImplTypes, 2);
    coclass->ReleaseTypeAttr(type);
    const Doc doc = Documentation(coclass.Get(), MEMBERID_NIL);
    EXPECT_EQ(doc.name.View(), L"PlugIn");
    EXPECT_EQ(doc.help.View(), L"Lumbra Plugin control");
    EXPECT_EQ(doc.context, 1001u);
    const GUID expected[2] = {IID_IPlugIn, DIID__PlugInEvents};
    const INT expectedFlags[2] = {IMPLTYPEFLAG_FDEFAULT,
                                  IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE};
    for (UINT i = 0; i < 2; ++i) {
        INT flags = 0;
        HREFTYPE ref = 0;
        ComPtr<ITypeInfo> implemented;
        ASSERT_EQ(coclass->GetImplTypeFlags(i, &flags), S_OK);
        EXPECT_EQ(flags, expectedFlags[i]);
        ASSERT_EQ(coclass->GetRefTypeOfImplType(i, &ref), S_OK);
        ASSERT_EQ(coclass->GetRefTypeInfo(ref, implemented.Put()), S_OK);
        TYPEATTR* a = nullptr;
        ASSERT_EQ(implemented->GetTypeAttr(&a), S_OK);
        EXPECT_TRUE(IsEqualGUID(a->guid, expected[i]));
        implemented->ReleaseTypeAttr(a);
    }
}

TEST(PlugInTypeLibrary, EveryMemberOfIPlugInReadsBack) {
    ComPtr<ITypeLib> library = RegisteredLibrary();
    ASSERT_TRUE(library);
    ComPtr<ITypeInfo> dispatchSide;
    ASSERT_EQ(library->GetTypeInfoOfGuid(IID_IPlugIn, dispatchSide.Put()), S_OK);
    const Doc doc = Documentation(dispatchSide.Get(), MEMBERID_NIL);
    EXPECT_EQ(doc.name.View(), L"IPlugIn");
    EXPECT_EQ(doc.help.View(), L"IPlugIn Interface");
    EXPECT_EQ(doc.context, 0u);
    HREFTYPE ref = 0;
    ComPtr<ITypeInfo> info;
    ASSERT_EQ(dispatchSide->GetRefTypeOfImplType(-1, &ref), S_OK);
    ASSERT_EQ(dispatchSide->GetRefTypeInfo(ref, info.Put()), S_OK);
    TYPEATTR* type = nullptr;
    ASSERT_EQ(info->GetTypeAttr(&type), S_OK);
    EXPECT_EQ(type->typekind, TKIND_INTERFACE);
    EXPECT_EQ(type->wTypeFlags, 0x1140);
    ASSERT_EQ(type->cFuncs, 10);
    info->ReleaseTypeAttr(type);

    // Its base is IDispatch, taken from the standard automation library.
    ComPtr<ITypeInfo> base;
    ASSERT_EQ(info->GetRefTypeOfImplType(0, &ref), S_OK);
    ASSERT_EQ(info->GetRefTypeInfo(ref, base.Put()), S_OK);
    ComPtr<ITypeLib> baseLibrary;
    UINT index = 0;
    ASSERT_EQ(base->GetContainingTypeLib(baseLibrary.Put(), &index), S_OK);
    TLIBATTR* baseAttr = nullptr;
    ASSERT_EQ(baseLibrary->GetLibAttr(&baseAttr), S_OK);
    EXPECT_TRUE(IsEqualGUID(baseAttr->guid, IID_StdOle));
    baseLibrary->ReleaseTLibAttr(baseAttr);

    for (UINT i = 0; i < 10; ++i) {
        const MemberRow& row = kMembers[i];
        SCOPED_TRACE(testing::Message() << "member " << i);
        FUNCDESC* func = nullptr;
        ASSERT_EQ(info->GetFuncDesc(i, &func), S_OK);
        EXPECT_EQ(func->memid, row.id);
        EXPECT_EQ(func->invkind, row.kind);
        // After the three methods of IUnknown and the four of IDispatch, in table order.
        EXPECT_EQ(func->oVft, static_cast<SHORT>((7 + i) * sizeof(void*)));
        EXPECT_EQ(func->elemdescFunc.tdesc.vt, VT_HRESULT);
        ASSERT_EQ(func->cParams, static_cast<SHORT>(row.types.size()));
        for (SHORT p = 0; p < func->cParams; ++p) {
            EXPECT_EQ(func->lprgelemdescParam[p].tdesc.vt, row.types[p]);
            if (row.types[p] == VT_PTR) {
                const VARTYPE target = func->lprgelemdescParam[p].tdesc.lptdesc->vt;
                EXPECT_EQ(target, row.id == 7 ? VT_I4 : VT_BSTR);
            }
            EXPECT_EQ(func->lprgelemdescParam[p].paramdesc.wParamFlags, row.flags[p]);
        }
        BSTR names[4] = {};
        UINT count = 0;
        ASSERT_EQ(info->GetNames(row.id, names, 4, &count), S_OK);
        // Put and get of Directory share their id: ask for the put's names by its index.
        if (row.kind == INVOKE_PROPERTYPUT) {
            for (UINT n = 0; n < count; ++n) {
                SysFreeString(names[n]);
            }
            ASSERT_EQ(info->GetNames(row.id, names, 4, &count), S_OK);
        }
        ASSERT_GE(count, 1u);
        EXPECT_STREQ(names[0], row.name);
        if (row.kind != INVOKE_PROPERTYPUT) {
            ASSERT_EQ(count, 1 + row.params.size());
            for (std::size_t p = 0; p < row.params.size(); ++p) {
                EXPECT_EQ(std::wstring(names[p + 1]), row.params[p]);
            }
        }
        for (UINT n = 0; n < count; ++n) {
            SysFreeString(names[n]);
        }
        const Doc member = Documentation(info.Get(), row.id);
        EXPECT_EQ(member.help.View(), row.help);
        EXPECT_EQ(member.context, row.context);
        info->ReleaseFuncDesc(func);
    }
}

TEST(PlugInTypeLibrary, StatusEventAsRegistered) {
    ComPtr<ITypeLib> library = RegisteredLibrary();
    ASSERT_TRUE(library);
    ComPtr<ITypeInfo> events;
    ASSERT_EQ(library->GetTypeInfoOfGuid(DIID__PlugInEvents, events.Put()), S_OK);
    TYPEATTR* type = nullptr;
    ASSERT_EQ(events->GetTypeAttr(&type), S_OK);
    EXPECT_EQ(type->typekind, TKIND_DISPATCH);
    EXPECT_EQ(type->cFuncs, 1);
    events->ReleaseTypeAttr(type);
    const Doc doc = Documentation(events.Get(), MEMBERID_NIL);
    EXPECT_EQ(doc.name.View(), L"_PlugInEvents");
    EXPECT_EQ(doc.help.View(), L"Event interface for PlugIn control");
    FUNCDESC* func = nullptr;
    ASSERT_EQ(events->GetFuncDesc(0, &func), S_OK);
    EXPECT_EQ(func->memid, 1);
    ASSERT_EQ(func->cParams, 1);
    EXPECT_EQ(func->lprgelemdescParam[0].tdesc.vt, VT_I2);
    EXPECT_EQ(func->lprgelemdescParam[0].paramdesc.wParamFlags, kIn);
    EXPECT_EQ(func->elemdescFunc.tdesc.vt, VT_VOID);
    events->ReleaseFuncDesc(func);
    const Doc status = Documentation(events.Get(), 1);
    EXPECT_EQ(status.name.View(), L"Status");
    EXPECT_FALSE(status.help);
    EXPECT_EQ(status.context, 1012u);
}

TEST(PlugInDispatch, NamesAndCallsGoThroughTheTypeLibrary) {
    ComPtr<IPlugIn> control = CreateControl();
    ASSERT_TRUE(control);
    const wchar_t* names[] = {L"Title", L"PlugInCount", L"AboutBox", L"Directory"};
    const DISPID ids[] = {1, 7, -552, 6};
    for (int i = 0; i < 4; ++i) {
        DISPID id = 0;
        LPOLESTR name = const_cast<LPOLESTR>(names[i]);
        EXPECT_EQ(control->GetIDsOfNames(IID_NULL, &name, 1, 0, &id), S_OK);
        EXPECT_EQ(id, ids[i]);
    }
    UINT count = 0;
    EXPECT_EQ(control->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 1u);

    VARIANT result;
    VariantInit(&result);
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    ASSERT_EQ(
        control->Invoke(7, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr),
        S_OK);
    EXPECT_EQ(result.vt, VT_I4);
    EXPECT_EQ(result.lVal, -1);

    // A failing member comes back as an exception carrying the error object's texts.
    VARIANT index;
    index.vt = VT_I4;
    index.lVal = 0;
    DISPPARAMS one{&index, nullptr, 1, 0};
    Exception exception;
    EXPECT_EQ(
        control->Invoke(1, IID_NULL, 0, DISPATCH_PROPERTYGET, &one, &result, &exception, nullptr),
        DISP_E_EXCEPTION);
    EXPECT_EQ(static_cast<unsigned>(exception.scode), 0x800A80E9u);
    EXPECT_STREQ(exception.bstrDescription, L"Plug-In Directory not set.");
    EXPECT_STREQ(exception.bstrSource, L"PlugIn.PlugIn.1");
}

namespace {

// A new control whose directory is a new folder holding one "*.8bf" file, set while the
// stand-in answers with `script`; `ready` tells whether all of that worked.
struct ControlOnAFolder {
    explicit ControlOnAFolder(const char* script = "") {
        folder.AddFile(L"a.8bf");
        control = CreateControl();
        if (control) {
            ScriptLumbra32(script);
            Bstr path(folder.Path());
            ready = control->put_Directory(path.Get()) == S_OK;
        }
    }
    TempFolder folder;
    ComPtr<IPlugIn> control;
    bool ready = false;
};

} // namespace

TEST(PlugInErrors, FailingMembersLeaveTheErrorObject) {
    ComPtr<IPlugIn> control = CreateControl();
    ASSERT_TRUE(control);
    BSTR value = reinterpret_cast<BSTR>(1);
    EXPECT_EQ(static_cast<unsigned>(control->get_Title(0, &value)), 0x800A80E9u);
    EXPECT_EQ(value, nullptr);
    ComPtr<IErrorInfo> info;
    ASSERT_EQ(GetErrorInfo(0, info.Put()), S_OK);
    Bstr source, description, helpFile;
    GUID guid = IID_IUnknown;
    DWORD context = 7;
    info->GetSource(source.Put());
    info->GetDescription(description.Put());
    info->GetGUID(&guid);
    info->GetHelpFile(helpFile.Put());
    info->GetHelpContext(&context);
    EXPECT_EQ(source.View(), L"PlugIn.PlugIn.1");
    EXPECT_EQ(description.View(), L"Plug-In Directory not set.");
    EXPECT_TRUE(IsEqualGUID(guid, GUID_NULL));
    EXPECT_EQ(helpFile.Length(), 0u);
    EXPECT_EQ(context, 0u);

    ComPtr<ISupportErrorInfo> support;
    ASSERT_EQ(control.As(support), S_OK);
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID_IPlugIn), S_OK);
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID_IDispatch), S_FALSE);
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID_IOleObject), S_FALSE);

    // Members that need a directory, without one.
    EXPECT_EQ(static_cast<unsigned>(control->InvokePlugIn(nullptr, 0)), 0x800A80E9u);
    EXPECT_EQ(static_cast<unsigned>(control->About(nullptr)), 0x800A80E9u);
    // Null out-pointers are refused, not written through.
    EXPECT_EQ(control->get_Directory(nullptr), E_POINTER);
    EXPECT_EQ(control->get_PlugInCount(nullptr), E_POINTER);
    EXPECT_EQ(control->get_Title(0, nullptr), E_POINTER);
    EXPECT_EQ(control->SelectPlugIns(nullptr), E_POINTER);
}

TEST(PlugInErrors, DirectoryRulesThroughTheLibraryStandIn) {
    ComPtr<IPlugIn> control = CreateControl();
    ASSERT_TRUE(control);
    TempFolder empty;
    TempFolder filters;
    filters.AddFile(L"a.8bf");

    ScriptLumbra32("available=0");
    Bstr path(filters.Path());
    EXPECT_EQ(static_cast<unsigned>(control->put_Directory(path.Get())), 0x800A80EFu);
    EXPECT_EQ(Lumbra32Calls(), "PlugInHostAvailable()\n");

    ScriptLumbra32("");
    Bstr emptyPath(empty.Path());
    EXPECT_EQ(static_cast<unsigned>(control->put_Directory(emptyPath.Get())), 0x800A80EAu);
    EXPECT_EQ(static_cast<unsigned>(control->put_Directory(nullptr)), 0x800A80EAu);
    Bstr missing(filters.Path() + L"\\nothere");
    EXPECT_EQ(static_cast<unsigned>(control->put_Directory(missing.Get())), 0x800A80EAu);
    BSTR stored = reinterpret_cast<BSTR>(1);
    EXPECT_EQ(control->get_Directory(&stored), S_OK);
    EXPECT_EQ(stored, nullptr);

    // A folder with any attribute besides the directory bit is refused. Wine keeps no
    // read-only bit on folders but reports a folder whose name starts with a dot as hidden.
    const std::wstring hidden = filters.Path() + L"\\.hidden";
    ASSERT_TRUE(CreateDirectoryW(hidden.c_str(), nullptr));
    filters.AddFile(L".hidden\\b.8bf");
    SetFileAttributesW(hidden.c_str(),
                       FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    ASSERT_NE(GetFileAttributesW(hidden.c_str()), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
    Bstr hiddenPath(hidden);
    EXPECT_EQ(static_cast<unsigned>(control->put_Directory(hiddenPath.Get())), 0x800A80EAu);

    ScriptLumbra32("open=0");
    EXPECT_EQ(static_cast<unsigned>(control->put_Directory(path.Get())), 0x800A80F1u);

    ScriptLumbra32("status=0;plugins=3");
    EXPECT_EQ(static_cast<unsigned>(control->put_Directory(path.Get())), 0x800A80F0u);
    EXPECT_EQ(control->get_Directory(&stored), S_OK);
    EXPECT_STREQ(stored, path.Get());
    SysFreeString(stored);

    LONG count = 0;
    EXPECT_EQ(control->get_PlugInCount(&count), S_OK);
    EXPECT_EQ(count, -1);
    BSTR title = nullptr;
    ASSERT_EQ(control->get_Title(2, &title), S_OK);
    EXPECT_STREQ(title, L"Title 2");
    SysFreeString(title);
    EXPECT_EQ(control->get_PlugInCount(&count), S_OK);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(static_cast<unsigned>(control->get_Category(3, &title)), 0x800A017Du);
    EXPECT_EQ(static_cast<unsigned>(control->get_FileName(-1, &title)), 0x800A017Du);
    ComPtr<IErrorInfo> info;
    ASSERT_EQ(GetErrorInfo(0, info.Put()), S_OK);
    Bstr description;
    info->GetDescription(description.Put());
    EXPECT_EQ(description.View(), L"Index out of bounds.");
    // The catalogue is filled once.
    ASSERT_EQ(control->get_FileName(0, &title), S_OK);
    EXPECT_STREQ(title, L"Filter 0.8bf");
    SysFreeString(title);
    const std::string calls = Lumbra32Calls();
    EXPECT_EQ(calls.find("PlugInEnumerate(32)"), calls.rfind("PlugInEnumerate(32)"));
}

namespace {

// Directory, PlugInCount and every Title as the control reports them (Title read only while a
// directory is set, and only within PlugInCount, so that the reads never fill the catalogue).
std::wstring StateOf(IPlugIn* control) {
    BSTR directory = nullptr;
    EXPECT_EQ(control->get_Directory(&directory), S_OK);
    std::wstring state = directory ? std::wstring(L"dir=") + directory : L"dir=none";
    SysFreeString(directory);
    LONG last = -2;
    EXPECT_EQ(control->get_PlugInCount(&last), S_OK);
    state += L" count=" + std::to_wstring(last);
    for (int i = 0; i <= last; ++i) {
        BSTR title = nullptr;
        EXPECT_EQ(control->get_Title(i, &title), S_OK);
        state += std::wstring(L" ") + (title ? title : L"null");
        SysFreeString(title);
    }
    return state;
}

} // namespace

namespace {

// Creates a folder holding one "*.8bf" file; paths past MAX_PATH take the "\\?\\" form.
void MakePlugInFolder(const std::wstring& folder) {
    ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + folder).c_str(), nullptr)) << GetLastError();
    rw::test::WriteBytes(L"\\\\?\\" + folder + L"\\a.8bf", {});
}

} // namespace

// The library is handed the folder in a 260-byte buffer that also holds "\*.8bf": a longer
// path, or one that a C string would cut short, is refused before the library sees it.
TEST(PlugInErrors, DirectoriesMustFitTheLibrarysPathBuffer) {
    ComPtr<IPlugIn> control = CreateControl();
    ASSERT_TRUE(control);
    TempFolder base;
    const std::wstring prefix = base.Path() + L"\\";
    ASSERT_LT(prefix.size(), 200u);
    const std::wstring longest = prefix + std::wstring(253 - prefix.size(), L'd');
    const std::wstring tooLong = prefix + std::wstring(254 - prefix.size(), L'e');
    MakePlugInFolder(longest);
    MakePlugInFolder(tooLong);

    ScriptLumbra32("");
    Bstr fits(longest);
    EXPECT_EQ(control->put_Directory(fits.Get()), S_OK);
    EXPECT_EQ(Lumbra32Calls(), "PlugInHostAvailable()\nPlugInHostOpen(" +
                                   std::string(longest.begin(), longest.end()) +
                                   ")\nPlugInSetStatusCallback(0)\n");

    ScriptLumbra32("");
    Bstr over(tooLong);
    EXPECT_EQ(static_cast<unsigned>(control->put_Directory(over.Get())), 0x800A80EAu);
    EXPECT_EQ(Lumbra32Calls(), "PlugInHostAvailable()\n");
    BSTR stored = reinterpret_cast<BSTR>(1);
    EXPECT_EQ(control->get_Directory(&stored), S_OK);
    EXPECT_EQ(stored, nullptr);

    // A real folder followed by a NUL and more: the library would open only the first part.
    ScriptLumbra32("");
    const std::wstring cut = longest + std::wstring(1, L'\0') + L"x";
    BSTR withNul = SysAllocStringLen(cut.data(), static_cast<UINT>(cut.size()));
    EXPECT_EQ(static_cast<unsigned>(control->put_Directory(withNul)), 0x800A80EAu);
    SysFreeString(withNul);
    EXPECT_EQ(Lumbra32Calls(), "PlugInHostAvailable()\n");
}

// Blocks that cannot hold an information header are refused before their bit count is read
// or the library is handed them.
TEST(PlugInInvoke, BlocksSmallerThanAnInformationHeaderAreNoBitmap) {
    ControlOnAFolder on;
    ASSERT_TRUE(on.ready);
    ComPtr<IPlugIn>& control = on.control;
    Bstr name(L"Filter 0.8bf");
    for (const SIZE_T size : {SIZE_T{1}, SIZE_T{16}, SIZE_T{sizeof(BITMAPINFOHEADER) - 1}}) {
        SCOPED_TRACE(size);
        const HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
        ASSERT_NE(block, nullptr);
        if (!FitsTheInterface(block)) {
            GlobalFree(block);
            GTEST_SKIP() << "global handles do not fit the interface's 32-bit value here";
        }
        if (size >= 16) {
            static_cast<BYTE*>(GlobalLock(block))[14] = 24; // a bit count that would pass
            GlobalUnlock(block);
        }
        ScriptLumbra32("");
        EXPECT_EQ(static_cast<unsigned>(control->InvokePlugIn(name.Get(), HandleValue(block))),
                  0x800A80ECu);
        EXPECT_EQ(Lumbra32Calls(), "PlugInLoad(Filter 0.8bf)\n");
        EXPECT_EQ(GlobalFlags(block) & GMEM_LOCKCOUNT, 0u);
        GlobalFree(block);
    }
}

TEST(PlugInState, DirectoryAssignmentsMoveBetweenTheStates) {
    ComPtr<IPlugIn> control = CreateControl();
    ASSERT_TRUE(control);
    TempFolder first, second, empty;
    first.AddFile(L"a.8bf");
    second.AddFile(L"b.8bf");
    Bstr firstPath(first.Path()), secondPath(second.Path()), emptyPath(empty.Path());
    Bstr missing(first.Path() + L"\\nothere");
    const std::wstring filled = L"dir=" + first.Path() + L" count=1 Title 0 Title 1";

    // Directory set, catalogue filled.
    const auto fill = [&] {
        ScriptLumbra32("plugins=2");
        ASSERT_EQ(control->put_Directory(firstPath.Get()), S_OK);
        BSTR title = nullptr;
        ASSERT_EQ(control->get_Title(0, &title), S_OK);
        SysFreeString(title);
        ASSERT_EQ(StateOf(control.Get()), filled);
    };

    // Refused in step 1: nothing changes, and the catalogue is not built again.
    fill();
    ScriptLumbra32("available=0;plugins=5");
    EXPECT_EQ(static_cast<unsigned>(control->put_Directory(secondPath.Get())), 0x800A80EFu);
    EXPECT_EQ(StateOf(control.Get()), filled);
    EXPECT_EQ(Lumbra32Calls(), "PlugInHostAvailable()\n");

    // Refused in steps 5, 6 and 7: no directory and an empty catalogue, from the filled state.
    struct Refusal {
        const char* script;
        BSTR path;
        unsigned hr;
    };
    const Refusal refusals[] = {{"", missing.Get(), 0x800A80EAu},
                                {"", emptyPath.Get(), 0x800A80EAu},
                                {"open=0", secondPath.Get(), 0x800A80F1u}};
    for (const Refusal& refusal : refusals) {
        fill();
        ScriptLumbra32(refusal.script);
        EXPECT_EQ(static_cast<unsigned>(control->put_Directory(refusal.path)), refusal.hr);
        EXPECT_EQ(StateOf(control.Get()), L"dir=none count=-1");
        BSTR title = reinterpret_cast<BSTR>(1);
        EXPECT_EQ(static_cast<unsigned>(control->get_Title(0, &title)), 0x800A80E9u);
        EXPECT_EQ(Lumbra32Calls().find("PlugInEnumerate"), std::string::npos);
    }

    // Refused in step 9: the new directory stays, with an empty catalogue filled on demand.
    fill();
    ScriptLumbra32("status=0;plugins=3");
    EXPECT_EQ(static_cast<unsigned>(control->put_Directory(secondPath.Get())), 0x800A80F0u);
    EXPECT_EQ(StateOf(control.Get()), L"dir=" + second.Path() + L" count=-1");
    BSTR title = nullptr;
    ASSERT_EQ(control->get_Title(2, &title), S_OK);
    EXPECT_STREQ(title, L"Title 2");
    SysFreeString(title);

    // A successful assignment empties the catalogue too.
    fill();
    ScriptLumbra32("plugins=1");
    ASSERT_EQ(control->put_Directory(secondPath.Get()), S_OK);
    EXPECT_EQ(StateOf(control.Get()), L"dir=" + second.Path() + L" count=-1");
}

TEST(PlugInState, AFailedCatalogueFillKeepsWhatWasAppended) {
    ControlOnAFolder on;
    ASSERT_TRUE(on.ready);
    ComPtr<IPlugIn>& control = on.control;
    Bstr path(on.folder.Path());

    // The library reports failure after two entries: the error, yet both entries stay and the
    // next read takes them without asking the library again.
    ScriptLumbra32("enumerate=0;plugins=2");
    BSTR value = reinterpret_cast<BSTR>(1);
    EXPECT_EQ(static_cast<unsigned>(control->get_Title(0, &value)), 0x800A80EAu);
    EXPECT_EQ(value, nullptr);
    ComPtr<IErrorInfo> info;
    ASSERT_EQ(GetErrorInfo(0, info.Put()), S_OK);
    Bstr description;
    info->GetDescription(description.Put());
    EXPECT_EQ(description.View(), L"Unable to load Plug-In files in directory chosen.");
    LONG last = 0;
    EXPECT_EQ(control->get_PlugInCount(&last), S_OK);
    EXPECT_EQ(last, 1);
    ASSERT_EQ(control->get_Category(1, &value), S_OK);
    EXPECT_STREQ(value, L"Category 1");
    SysFreeString(value);
    EXPECT_EQ(Lumbra32Calls(), "PlugInEnumerate(32)\n");

    // A failure that appends nothing leaves the catalogue empty: every read asks again.
    ScriptLumbra32("");
    ASSERT_EQ(control->put_Directory(path.Get()), S_OK);
    ScriptLumbra32("enumerate=0");
    EXPECT_EQ(static_cast<unsigned>(control->get_FileName(0, &value)), 0x800A80EAu);
    EXPECT_EQ(static_cast<unsigned>(control->get_FileName(0, &value)), 0x800A80EAu);
    EXPECT_EQ(Lumbra32Calls(), "PlugInEnumerate(32)\nPlugInEnumerate(32)\n");
    EXPECT_EQ(control->get_PlugInCount(&last), S_OK);
    EXPECT_EQ(last, -1);

    // Entries keep the library's order and each their own category: nothing is sorted or merged.
    ScriptLumbra32("");
    ASSERT_EQ(control->put_Directory(path.Get()), S_OK);
    ScriptLumbra32("entries=Zeta|zeta.8bf|B,Alpha|alpha.8bf|A,Zeta|zeta.8bf|B");
    std::wstring read;
    for (int i = 0; i < 3; ++i) {
        BSTR category = nullptr, file = nullptr;
        ASSERT_EQ(control->get_Category(i, &category), S_OK);
        ASSERT_EQ(control->get_FileName(i, &file), S_OK);
        read += std::wstring(category) + L"/" + file + L" ";
        SysFreeString(category);
        SysFreeString(file);
    }
    EXPECT_EQ(read, L"B/zeta.8bf A/alpha.8bf B/zeta.8bf ");
    EXPECT_EQ(control->get_PlugInCount(&last), S_OK);
    EXPECT_EQ(last, 2);
}

namespace {

HGLOBAL MakeDib(WORD bits) {
    const HGLOBAL dib = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(BITMAPINFOHEADER) + 64);
    auto* header = static_cast<BITMAPINFOHEADER*>(GlobalLock(dib));
    header->biSize = sizeof(BITMAPINFOHEADER);
    header->biWidth = 4;
    header->biHeight = 4;
    header->biPlanes = 1;
    header->biBitCount = bits;
    GlobalUnlock(dib);
    return dib;
}

} // namespace

TEST(PlugInEvents, TwoSinksReceiveStatusInSlotOrder) {
    ControlOnAFolder on("progress=10,50,-2,70000");
    ASSERT_TRUE(on.ready);
    ComPtr<IPlugIn>& control = on.control;

    ComPtr<IConnectionPointContainer> container;
    ASSERT_EQ(control.As(container), S_OK);
    ComPtr<IConnectionPoint> point;
    ASSERT_EQ(container->FindConnectionPoint(DIID__PlugInEvents, point.Put()), S_OK);
    ComPtr<IConnectionPoint> none;
    EXPECT_EQ(container->FindConnectionPoint(IID_IPropertyNotifySink, none.Put()),
              CONNECT_E_NOCONNECTION);
    IID iid{};
    EXPECT_EQ(point->GetConnectionInterface(&iid), S_OK);
    EXPECT_TRUE(IsEqualIID(iid, DIID__PlugInEvents));

    std::string log;
    Sink a("A", log), b("B", log);
    ASSERT_EQ(point->Advise(static_cast<IDispatch*>(&a), &a.cookie), S_OK);
    ASSERT_EQ(point->Advise(static_cast<IDispatch*>(&b), &b.cookie), S_OK);
    EXPECT_NE(a.cookie, b.cookie);

    // A sink that does not speak _PlugInEvents cannot connect.
    ComPtr<IUnknown> notASink;
    ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, reinterpret_cast<IStream**>(notASink.Put())),
              S_OK);
    DWORD cookie = 99;
    EXPECT_EQ(point->Advise(notASink.Get(), &cookie), CONNECT_E_CANNOTCONNECT);

    const HGLOBAL dib = MakeDib(24);
    Bstr name(L"Filter 0.8bf");
    if (!FitsTheInterface(dib)) {
        GTEST_SKIP() << "global handles do not fit the interface's 32-bit value here";
    }
    ASSERT_EQ(control->InvokePlugIn(name.Get(), HandleValue(dib)), S_OK);
    // The low 16 bits of the percentage, as a signed short.
    EXPECT_EQ(log, "A10 B10 A50 B50 A-2 B-2 A4464 B4464 ");

    // A sink that disconnects itself while being called: the other still gets every event.
    log.clear();
    a.point = point;
    a.onStatus = [](Sink& self) {
        if (self.point) {
            EXPECT_EQ(self.point->Unadvise(self.cookie), S_OK);
            self.point.Reset();
        }
    };
    ASSERT_EQ(control->InvokePlugIn(name.Get(), HandleValue(dib)), S_OK);
    EXPECT_EQ(log, "A10 B10 B50 B-2 B4464 ");
    EXPECT_EQ(point->Unadvise(a.cookie), CONNECT_E_NOCONNECTION);

    // A sink that drops the last reference to the control while being called.
    log.clear();
    IPlugIn* raw = control.Detach();
    point.Reset();
    container.Reset();
    b.onStatus = [&raw](Sink&) {
        if (raw) {
            std::exchange(raw, nullptr)->Release();
        }
    };
    ScriptLumbra32("progress=1,2");
    EXPECT_EQ(raw->InvokePlugIn(name.Get(), HandleValue(dib)), S_OK);
    EXPECT_EQ(log, "B1 B2 ");
    EXPECT_EQ(raw, nullptr);
    EXPECT_EQ(b.refs, 1) << "the control released its sink when it went";
    GlobalFree(dib);
}

TEST(PlugInInvoke, BitmapChecksAndRunResults) {
    ControlOnAFolder on;
    ASSERT_TRUE(on.ready);
    ComPtr<IPlugIn>& control = on.control;
    Bstr name(L"Filter 0.8bf");
    const HGLOBAL dib8 = MakeDib(8);
    const HGLOBAL dib24 = MakeDib(24);
    if (!FitsTheInterface(dib24) || !FitsTheInterface(dib8)) {
        GTEST_SKIP() << "global handles do not fit the interface's 32-bit value here";
    }
    ScriptLumbra32("");
    EXPECT_EQ(static_cast<unsigned>(control->InvokePlugIn(name.Get(), HandleValue(dib8))),
              0x800A80EDu);
    ScriptLumbra32("load=0");
    EXPECT_EQ(static_cast<unsigned>(control->InvokePlugIn(name.Get(), HandleValue(dib8))),
              0x800A80EBu);
    ScriptLumbra32("");
    EXPECT_EQ(static_cast<unsigned>(control->InvokePlugIn(name.Get(), 0)), 0x800A80ECu);
    ScriptLumbra32("fromdib=0");
    EXPECT_EQ(static_cast<unsigned>(control->InvokePlugIn(name.Get(), HandleValue(dib24))),
              0x800A80ECu);
    ScriptLumbra32("run=0;lasterror=49");
    EXPECT_EQ(control->InvokePlugIn(name.Get(), HandleValue(dib24)), S_OK);
    EXPECT_EQ(Lumbra32Calls(),
              "PlugInLoad(Filter 0.8bf)\nImageFromDib()\nPlugInRun(0)\nImageLastError()\n");
    ScriptLumbra32("run=0;lasterror=5");
    EXPECT_EQ(static_cast<unsigned>(control->InvokePlugIn(name.Get(), HandleValue(dib24))),
              0x800A80EEu);
    ScriptLumbra32("about=0");
    EXPECT_EQ(control->About(name.Get()), S_OK);
    EXPECT_EQ(Lumbra32Calls(), "PlugInShowAbout(Filter 0.8bf)\nShowLastError()\n");
    GlobalFree(dib8);
    GlobalFree(dib24);
}

namespace {

std::vector<BYTE> StreamBytes(IStream* stream) {
    HGLOBAL memory = nullptr;
    EXPECT_EQ(GetHGlobalFromStream(stream, &memory), S_OK);
    STATSTG stat{};
    stream->Stat(&stat, STATFLAG_NONAME);
    const auto* data = static_cast<const BYTE*>(GlobalLock(memory));
    std::vector<BYTE> bytes(data, data + stat.cbSize.QuadPart);
    GlobalUnlock(memory);
    return bytes;
}

ComPtr<IStream> StreamOf(const std::vector<BYTE>& bytes) {
    ComPtr<IStream> stream;
    EXPECT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, stream.Put()), S_OK);
    ULONG written = 0;
    stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written);
    const LARGE_INTEGER zero{};
    stream->Seek(zero, STREAM_SEEK_SET, nullptr);
    return stream;
}

const std::vector<BYTE> kEditorBytes{2, 2, 0, 0, 0xD8, 0x13, 0, 0, 0xD8, 0x13, 0, 0};

} // namespace

TEST(PlugInPersistence, StreamHoldsTheVersionAndExtent) {
    ComPtr<IPlugIn> control = CreateControl();
    ASSERT_TRUE(control);
    ComPtr<IPersistStreamInit> persist;
    ASSERT_EQ(control.As(persist), S_OK);
    EXPECT_EQ(persist->InitNew(), S_OK);
    CLSID clsid{};
    EXPECT_EQ(persist->GetClassID(&clsid), S_OK);
    EXPECT_TRUE(IsEqualCLSID(clsid, CLSID_PlugIn));
    ULARGE_INTEGER size{};
    EXPECT_EQ(persist->GetSizeMax(&size), S_OK);
    EXPECT_EQ(size.QuadPart, 12u);

    ComPtr<IStream> fresh = StreamOf({});
    ASSERT_EQ(persist->Save(fresh.Get(), TRUE), S_OK);
    EXPECT_EQ(StreamBytes(fresh.Get()), kEditorBytes);

    const std::vector<BYTE> other{2, 2, 0, 0, 0x10, 0x27, 0, 0, 0xF0, 0xFF, 0xFF, 0xFF};
    ASSERT_EQ(persist->Load(StreamOf(other).Get()), S_OK);
    ComPtr<IStream> saved = StreamOf({});
    ASSERT_EQ(persist->Save(saved.Get(), TRUE), S_OK);
    EXPECT_EQ(StreamBytes(saved.Get()), other);

    // A later format keeps the extent; a short or missing stream is an error and changes nothing.
    EXPECT_EQ(persist->Load(StreamOf({3, 2, 0, 0}).Get()), S_OK);
    EXPECT_NE(persist->Load(StreamOf({2, 2, 0, 0, 1, 2, 3}).Get()), S_OK);
    EXPECT_NE(persist->Load(StreamOf({2, 2}).Get()), S_OK);
    EXPECT_NE(persist->Load(StreamOf({}).Get()), S_OK);
    EXPECT_EQ(persist->Load(nullptr), E_POINTER);
    EXPECT_EQ(persist->Save(nullptr, TRUE), E_POINTER);
    ComPtr<IStream> again = StreamOf({});
    ASSERT_EQ(persist->Save(again.Get(), TRUE), S_OK);
    EXPECT_EQ(StreamBytes(again.Get()), other);
}

TEST(PlugInPersistence, StorageKeepsTheStreamAsContents) {
    ComPtr<IPlugIn> control = CreateControl();
    ASSERT_TRUE(control);
    ComPtr<IPersistStorage> persist;
    ASSERT_EQ(control.As(persist), S_OK);
    ComPtr<ILockBytes> bytes;
    ASSERT_EQ(CreateILockBytesOnHGlobal(nullptr, TRUE, bytes.Put()), S_OK);
    ComPtr<IStorage> storage;
    ASSERT_EQ(StgCreateDocfileOnILockBytes(bytes.Get(),
                                           STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0,
                                           storage.Put()),
              S_OK);
    ASSERT_EQ(persist->InitNew(storage.Get()), S_OK);
    ASSERT_EQ(persist->Save(storage.Get(), TRUE), S_OK);
    EXPECT_EQ(persist->SaveCompleted(nullptr), S_OK);
    ComPtr<IStream> contents;
    ASSERT_EQ(storage->OpenStream(L"Contents", nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0,
                                  contents.Put()),
              S_OK);
    BYTE data[16] = {};
    ULONG read = 0;
    contents->Read(data, sizeof data, &read);
    EXPECT_EQ(std::vector<BYTE>(data, data + read), kEditorBytes);
    contents.Reset();
    EXPECT_EQ(persist->Load(storage.Get()), S_OK);
    // A storage without the stream is an error.
    ComPtr<IStorage> empty;
    ComPtr<ILockBytes> emptyBytes;
    ASSERT_EQ(CreateILockBytesOnHGlobal(nullptr, TRUE, emptyBytes.Put()), S_OK);
    ASSERT_EQ(StgCreateDocfileOnILockBytes(emptyBytes.Get(),
                                           STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0,
                                           empty.Put()),
              S_OK);
    EXPECT_NE(persist->Load(empty.Get()), S_OK);
}

TEST(PlugInOleObject, SizeStatusAndRegistryAnswers) {
    ComPtr<IPlugIn> control = CreateControl();
    ASSERT_TRUE(control);
    ComPtr<IOleObject> object;
    ASSERT_EQ(control.As(object), S_OK);
    const HDC screen = GetDC(nullptr);
    const int dpiX = GetDeviceCaps(screen, LOGPIXELSX);
    const int dpiY = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    const SIZEL expected{(32 * 2540 + dpiX / 2) / dpiX, (32 * 2540 + dpiY / 2) / dpiY};
    if (dpiX == 96) {
        EXPECT_EQ(expected.cx, 847);
    }
    SIZEL size{};
    EXPECT_EQ(object->GetExtent(DVASPECT_ICON, &size), S_OK);
    EXPECT_EQ(size.cx, expected.cx);
    EXPECT_EQ(size.cy, expected.cy);
    SIZEL asked{10000, 20000};
    EXPECT_EQ(object->SetExtent(DVASPECT_CONTENT, &asked), DV_E_DVASPECT);
    EXPECT_EQ(asked.cx, expected.cx);
    EXPECT_EQ(asked.cy, expected.cy);
    EXPECT_EQ(object->GetExtent(DVASPECT_CONTENT, &size), S_OK);
    EXPECT_EQ(size.cx, expected.cx);
    EXPECT_EQ(object->GetExtent(DVASPECT_CONTENT, nullptr), E_POINTER);

    DWORD status = 0;
    EXPECT_EQ(object->GetMiscStatus(DVASPECT_CONTENT, &status), S_OK);
    EXPECT_EQ(status, 0x20591u);
    LPOLESTR userType = nullptr;
    ASSERT_EQ(object->GetUserType(USERCLASSTYPE_FULL, &userType), S_OK);
    EXPECT_STREQ(userType, L"PlugIn Class");
    CoTaskMemFree(userType);
    ComPtr<IEnumOLEVERB> verbs;
    // No verbs are registered: Windows says OLEOBJ_E_NOVERBS, Wine REGDB_E_KEYMISSING.
    const HRESULT noVerbs = object->EnumVerbs(verbs.Put());
    EXPECT_TRUE(noVerbs == OLEOBJ_E_NOVERBS || noVerbs == REGDB_E_KEYMISSING) << noVerbs;
    EXPECT_FALSE(verbs);

    ComPtr<IProvideClassInfo2> classInfo;
    ASSERT_EQ(control.As(classInfo), S_OK);
    GUID guid{};
    EXPECT_EQ(classInfo->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &guid), S_OK);
    EXPECT_TRUE(IsEqualGUID(guid, DIID__PlugInEvents));
    guid = IID_IUnknown;
    EXPECT_EQ(classInfo->GetGUID(2, &guid), E_FAIL);
    EXPECT_TRUE(IsEqualGUID(guid, GUID_NULL));
    EXPECT_EQ(classInfo->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, nullptr), E_POINTER);
    ComPtr<ITypeInfo> coclass;
    ASSERT_EQ(classInfo->GetClassInfo(coclass.Put()), S_OK);
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(coclass->GetTypeAttr(&attr), S_OK);
    EXPECT_TRUE(IsEqualGUID(attr->guid, CLSID_PlugIn));
    coclass->ReleaseTypeAttr(attr);
}

TEST(PlugInOleObject, AnswersExactlyItsInterfaces) {
    ComPtr<IPlugIn> control = CreateControl();
    ASSERT_TRUE(control);
    const IID answered[] = {IID_IPlugIn,
                            IID_IDispatch,
                            IID_IViewObjectEx,
                            IID_IViewObject2,
                            IID_IViewObject,
                            IID_IOleInPlaceObjectWindowless,
                            IID_IOleInPlaceObject,
                            IID_IOleWindow,
                            IID_IOleInPlaceActiveObject,
                            IID_IOleControl,
                            IID_IOleObject,
                            IID_IQuickActivate,
                            IID_IPersistStorage,
                            IID_IPersistStreamInit,
                            IID_IDataObject,
                            IID_IProvideClassInfo,
                            IID_IProvideClassInfo2,
                            IID_ISupportErrorInfo,
                            IID_IConnectionPointContainer};
    ComPtr<IUnknown> identity;
    ASSERT_EQ(control.As(identity), S_OK);
    for (const IID& iid : answered) {
        ComPtr<IUnknown> p;
        EXPECT_EQ(control->QueryInterface(iid, p.PutVoid()), S_OK);
        ComPtr<IUnknown> back;
        ASSERT_EQ(p.As(back), S_OK);
        EXPECT_EQ(back.Get(), identity.Get()) << "one identity";
    }
    const IID refused[] = {IID_IPersistPropertyBag, IID_IPersistStream, IID_IOleCache,
                           IID_IPropertyNotifySink, IID_IClassFactory};
    for (const IID& iid : refused) {
        void* p = reinterpret_cast<void*>(1);
        EXPECT_EQ(control->QueryInterface(iid, &p), E_NOINTERFACE);
        EXPECT_EQ(p, nullptr);
    }
}

namespace {

// An outer object that counts its references; it hands IUnknown to the inner object.
class Outer final : public IUnknown {
public:
    ComPtr<IUnknown> inner;
    LONG refs = 1;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (IsEqualIID(iid, IID_IUnknown)) {
            *out = this;
            AddRef();
            return S_OK;
        }
        return inner ? inner->QueryInterface(iid, out) : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
};

} // namespace

TEST(PlugInModule, AggregationDelegatesToTheOuterObject) {
    RegisterControl();
    Outer outer;
    ComPtr<IUnknown> refused;
    EXPECT_EQ(CoCreateInstance(CLSID_PlugIn, &outer, CLSCTX_INPROC_SERVER, IID_IPlugIn,
                               refused.PutVoid()),
              CLASS_E_NOAGGREGATION);
    ASSERT_EQ(CoCreateInstance(CLSID_PlugIn, &outer, CLSCTX_INPROC_SERVER, IID_IUnknown,
                               outer.inner.PutVoid()),
              S_OK);
    const LONG before = outer.refs;
    {
        ComPtr<IPlugIn> control;
        ASSERT_EQ(outer.QueryInterface(IID_IPlugIn, control.PutVoid()), S_OK);
        EXPECT_EQ(outer.refs, before + 1) << "the aggregated object counts in the outer one";
        ComPtr<IUnknown> identity;
        ASSERT_EQ(control->QueryInterface(IID_IUnknown, identity.PutVoid()), S_OK);
        EXPECT_EQ(identity.Get(), static_cast<IUnknown*>(&outer));
    }
    EXPECT_EQ(outer.refs, before);
    outer.inner.Reset();
}

TEST(PlugInModule, ClassObjectLockCountAndUnload) {
    const std::wstring path = ControlPath();
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        const HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
        ASSERT_NE(module, nullptr);
        using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
        using CanUnloadNow = HRESULT(STDAPICALLTYPE*)();
        const auto getClassObject = reinterpret_cast<GetClassObject>(
            reinterpret_cast<void*>(GetProcAddress(module, "DllGetClassObject")));
        const auto canUnloadNow = reinterpret_cast<CanUnloadNow>(
            reinterpret_cast<void*>(GetProcAddress(module, "DllCanUnloadNow")));
        ASSERT_TRUE(getClassObject && canUnloadNow);

        ComPtr<IClassFactory> factory;
        EXPECT_EQ(getClassObject(IID_IPlugIn, IID_IClassFactory, factory.PutVoid()),
                  CLASS_E_CLASSNOTAVAILABLE);
        EXPECT_EQ(getClassObject(CLSID_PlugIn, IID_IClassFactory, nullptr), E_POINTER);
        ASSERT_EQ(getClassObject(CLSID_PlugIn, IID_IClassFactory, factory.PutVoid()), S_OK);
        ComPtr<IClassFactory> same;
        ASSERT_EQ(getClassObject(CLSID_PlugIn, IID_IClassFactory, same.PutVoid()), S_OK);
        EXPECT_EQ(same.Get(), factory.Get()) << "one class object";
        EXPECT_EQ(canUnloadNow(), S_OK);

        ComPtr<IPlugIn> control;
        ASSERT_EQ(factory->CreateInstance(nullptr, IID_IPlugIn, control.PutVoid()), S_OK);
        EXPECT_EQ(canUnloadNow(), S_FALSE);
        ASSERT_EQ(factory->LockServer(TRUE), S_OK);
        control.Reset();
        EXPECT_EQ(canUnloadNow(), S_FALSE);
        ASSERT_EQ(factory->LockServer(FALSE), S_OK);
        EXPECT_EQ(canUnloadNow(), S_OK);
        factory.Reset();
        same.Reset();
        EXPECT_TRUE(FreeLibrary(module));
    }
}

TEST(PlugInDispatch, WithoutTheRegisteredLibraryCallsFailWithTheLoadersError) {
    RegisterControl();
    const SYSKIND kind = sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32;
    ASSERT_EQ(UnRegisterTypeLib(LIBID_LUMBRAPLUGLib, 1, 0, 0x0409, kind), S_OK);
    {
        ComPtr<IPlugIn> control;
        ASSERT_EQ(CoCreateInstance(CLSID_PlugIn, nullptr, CLSCTX_INPROC_SERVER, IID_IPlugIn,
                                   control.PutVoid()),
                  S_OK);
        DISPID id = 0;
        LPOLESTR name = const_cast<LPOLESTR>(L"Title");
        EXPECT_EQ(control->GetIDsOfNames(IID_NULL, &name, 1, 0, &id), TYPE_E_LIBNOTREGISTERED);
        ComPtr<ITypeInfo> info;
        EXPECT_EQ(control->GetTypeInfo(0, 0, info.Put()), TYPE_E_LIBNOTREGISTERED);
        EXPECT_EQ(control->GetTypeInfo(1, 0, info.Put()), DISP_E_BADINDEX);
    }
    // Registered again, the next object finds it.
    const HMODULE module = GetModuleHandleW(L"lumbraplug.ocx");
    ASSERT_NE(module, nullptr);
    const auto reg = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
        reinterpret_cast<void*>(GetProcAddress(module, "DllRegisterServer")));
    ASSERT_EQ(reg(), S_OK);
    ComPtr<IPlugIn> control = CreateControl();
    DISPID id = 0;
    LPOLESTR name = const_cast<LPOLESTR>(L"Title");
    EXPECT_EQ(control->GetIDsOfNames(IID_NULL, &name, 1, 0, &id), S_OK);
    EXPECT_EQ(id, 1);
}

TEST(PlugInOleObject, DrawsOnlyItsIconAtTheBoundsTopLeft) {
    ComPtr<IPlugIn> control = CreateControl();
    ASSERT_TRUE(control);
    ComPtr<IViewObject2> view;
    ASSERT_EQ(control.As(view), S_OK);
    const HDC screen = GetDC(nullptr);
    const HDC dc = CreateCompatibleDC(screen);
    const HBITMAP bitmap = CreateCompatibleBitmap(screen, 64, 64);
    ReleaseDC(nullptr, screen);
    const HGDIOBJ old = SelectObject(dc, bitmap);
    const RECT all{0, 0, 64, 64};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    const RECTL bounds{20, 10, 60, 60};
    EXPECT_EQ(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc, &bounds, nullptr,
                         nullptr, 0),
              S_OK);
    // The emblem's yellow core sits at the icon's centre; outside the icon nothing changed.
    EXPECT_EQ(GetPixel(dc, 20 + 16, 10 + 16), RGB(255, 255, 0));
    EXPECT_EQ(GetPixel(dc, 20 + 33, 10 + 33), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(dc, 19, 9), RGB(0, 0, 0));
    EXPECT_EQ(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, nullptr, &bounds, nullptr,
                         nullptr, 0),
              E_INVALIDARG);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);

    // The same picture as a metafile, sized like the control.
    ComPtr<IDataObject> data;
    ASSERT_EQ(control.As(data), S_OK);
    FORMATETC format{CF_METAFILEPICT, nullptr, DVASPECT_CONTENT, -1, TYMED_MFPICT};
    EXPECT_EQ(data->QueryGetData(&format), S_OK);
    STGMEDIUM medium{};
    ASSERT_EQ(data->GetData(&format, &medium), S_OK);
    ASSERT_EQ(medium.tymed, static_cast<DWORD>(TYMED_MFPICT));
    const auto* picture = static_cast<const METAFILEPICT*>(GlobalLock(medium.hMetaFilePict));
    ASSERT_NE(picture, nullptr);
    SIZEL extent{};
    ComPtr<IOleObject> object;
    ASSERT_EQ(control.As(object), S_OK);
    object->GetExtent(DVASPECT_CONTENT, &extent);
    EXPECT_EQ(picture->xExt, extent.cx);
    EXPECT_EQ(picture->yExt, extent.cy);
    EXPECT_NE(picture->hMF, nullptr);
    GlobalUnlock(medium.hMetaFilePict);
    ReleaseStgMedium(&medium);
    FORMATETC bitmapFormat{CF_BITMAP, nullptr, DVASPECT_CONTENT, -1, TYMED_GDI};
    EXPECT_EQ(data->QueryGetData(&bitmapFormat), DV_E_FORMATETC);
}
