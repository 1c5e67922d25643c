#pragma once

#include "app/framework/application.h"

// Single-instance start-up: the first copy runs the main dialog; a later copy
// only brings the first copy's window to the front.
class CSerialReadApp : public Application {
protected:
    void InitInstance() override;

private:
    void ActivateRunningCopy();
};
