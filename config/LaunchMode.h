#pragma once

// "Setting_Launch.ini": "Ope=U" is the UI mode (every alert shown once at start-up),
// "Ope=P" the presentation mode, anything else the normal mode.
class CLaunchMode {
public:
    static CLaunchMode* GetInstance();
    static void DestroyInstance();
    static bool IsUIMode();
    static short GetMode() { return sMode; }
    virtual ~CLaunchMode() = default;

protected:
    CLaunchMode() = default;
    void Initialize();

private:
    static short sMode;
    static CLaunchMode* sLaunchMode;
};
