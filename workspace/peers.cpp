// The two registries of peers; see peers.h.
#include "workspace/peers.h"

TDocumentPeers& DocumentPeers()
{
    static TDocumentPeers peers;
    return peers;
}

TFramePeers& FramePeers()
{
    static TFramePeers peers;
    return peers;
}

TColorPeers& ColorPeers()
{
    static TColorPeers peers;
    return peers;
}

TToolsPeers& ToolsPeers()
{
    static TToolsPeers peers;
    return peers;
}
