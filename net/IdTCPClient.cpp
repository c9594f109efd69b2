#include "net/IdTCPClient.h"

void TIdTCPClient::Connect() {
    OpenConnection(host_, port_, ConnectTimeout);
}
