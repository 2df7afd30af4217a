#pragma once

#include "platform/StatusCodes.h"
#include "platform/WindowTypes.h"

#include <QString>

// One open interface file of the application's resources.
class TNib {
public:
    TNib() = default;
    ~TNib();
    TNib(const TNib&) = delete;
    TNib& operator=(const TNib&) = delete;

    OSStatus Init(const QString& name);
    OSStatus CreateWindow(const QString& name, WindowRef* outWindow);
    OSStatus SetMenuBar(const QString& name);

private:
    IBNibRef fNibRef = nullptr;
};
