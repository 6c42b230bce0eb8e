#include "TransmissionDisplay.h"

#include "shell/HoroluxApp.h"

TransmissionDisplay::TransmissionDisplay(HoroluxApp &app)
    : m_app(app)
{ }

void TransmissionDisplay::Timer4_Timer()
{ }
