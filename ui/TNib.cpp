#include "ui/TNib.h"

#include "platform/Windowing.h"

TNib::~TNib() {
    if (fNibRef)
        platform::DisposeNibReference(fNibRef);
}

OSStatus TNib::Init(const QString& name) {
    if (fNibRef) {
        platform::DisposeNibReference(fNibRef);
        fNibRef = nullptr;
    }
    return platform::CreateNibReference(name, &fNibRef);
}

OSStatus TNib::CreateWindow(const QString& name, WindowRef* outWindow) {
    return platform::CreateWindowFromNib(fNibRef, name, outWindow);
}

OSStatus TNib::SetMenuBar(const QString& name) {
    return platform::SetMenuBarFromNib(fNibRef, name);
}
