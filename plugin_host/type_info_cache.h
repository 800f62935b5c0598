#pragma once
// The type information that IDispatch and IProvideClassInfo answer from: IPlugIn's (its vtable
// side, which ITypeInfo::Invoke needs) and the class's, loaded from the registered type library
// on first need and shared by every object.
#include <windows.h>
#include <oaidl.h>

namespace rw::plugin {

// A new reference to IPlugIn's type information; the loader's error while the type library is
// not registered.
HRESULT InterfaceTypeInfo(ITypeInfo** out);
// A new reference to the class's type information.
HRESULT ClassTypeInfo(ITypeInfo** out);
// Lets go of both (the last object is gone); the next need loads them again.
void ReleaseTypeInfo();

} // namespace rw::plugin
