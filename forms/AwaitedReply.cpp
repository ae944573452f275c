#include "forms/AwaitedReply.h"

#include "net/TNMUDP.h"
#include "registration/Session.h"

void AwaitedReply::watch(TNMUDP& endpoint, Session& session)
{
    endpoint.OnDataSend = [this, &session](TNMUDP* sender) {
        m_awaited = true;
        m_serverAddress = sender->lastRemoteIP();
        m_serverPort = sender->RemotePort;
        session.addProviderServer(m_serverAddress);
    };
}
