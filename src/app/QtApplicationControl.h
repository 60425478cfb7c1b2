#pragma once

#include "common/ApplicationControl.h"

// The Qt application object's quit request. A request made before the loop runs is remembered,
// so the process entry can end without ever entering the loop.
class QtApplicationControl : public ApplicationControl {
public:
    void Terminate() override;
    bool Terminated() const override { return m_terminated; }

private:
    bool m_terminated = false;
};
