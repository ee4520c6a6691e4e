// The registry of the two icon creators' services; see cartoon_peers.h.
#include "creators/cartoon_peers.h"

TCartoonPeers& CartoonPeers()
{
    static TCartoonPeers peers;
    return peers;
}
