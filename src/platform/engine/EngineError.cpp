#include "EngineError.h"

EDatabaseError::EDatabaseError(QString message) : m_message(std::move(message)), m_utf8(m_message.toStdString()) {}

EDBEngineError::EDBEngineError(int code, QString message) : EDatabaseError(std::move(message)), m_code(code) {}
