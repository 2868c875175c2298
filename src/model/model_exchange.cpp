// The long-lived scene owner: the context it hands to senders, and its teardown (the
// container is closed and the session ended).
#include "model/model_exchange.h"

namespace orvex {

ModelExchange::~ModelExchange() {
    container.close();
    if (session.handle != 0 && session.api && session.api->ORVEXAPI_DestroySession) {
        session.api->ORVEXAPI_DestroySession(session.handle);
        session.handle = 0;
    }
}

SendContext ModelExchange::sendContext() { return makeSendContext(session, colorOnly, &normalMaps); }

} // namespace orvex
