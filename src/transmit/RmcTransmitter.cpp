#include "RmcTransmitter.h"

#include "shell/HoroluxApp.h"

RmcTransmitter::RmcTransmitter(HoroluxApp &app)
    : m_app(app)
{ }

void RmcTransmitter::TransmitRmc()
{ }
