#ifndef FPSERIAL_H
#define FPSERIAL_H

#include <QObject>

namespace KAVRINFPSERVER_NS {

// Function codes of the request header; Q_ENUM gives their names for the log.
class FPSerial
{
    Q_GADGET
public:
    enum Function {
        OPEN = 0,
        CLOSE = 1,
        WAIT_FOR_BYTES_WRITTEN = 2,
        WAIT_FOR_READY_READ = 3,
        SET_BAUDRATE = 4,
        SET_PARITY = 5,
        SET_STOP_BITS = 6,
        SET_READ_BUFFER_SIZE = 7,
        SET_PORT_NAME = 8,
        SET_DATA_BITS = 9,
        ERROR_STRING = 10,
        READ_PORT = 11,
        WRITE_PORT = 12,
        CLEAR = 13,
        BYTES_AVAILABLE = 14
    };
    Q_ENUM(Function)
};

} // namespace KAVRINFPSERVER_NS

#endif // FPSERIAL_H
