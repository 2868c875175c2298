// Teardown of the long-lived scene owner: the container is closed and the session ended.
#include "model/model_exchange.h"

namespace orvex {

ModelExchange::~ModelExchange() {
    file.close();
    if (session.handle != 0 && session.api && session.api->ORVEXAPI_DestroySession) {
        session.api->ORVEXAPI_DestroySession(session.handle);
        session.handle = 0;
    }
}

} // namespace orvex
