#pragma once
// Where the connector's debug replay finds saved replies, and whether it is on.
//
// The replay answers a call from a saved XML file instead of the network, so that a developer can
// run the program against replies kept from earlier sessions. The standard settings read the user
// default "useSavedXMLResponses" (nothing in the program writes it) and use the folder
// "~/DWEbay_Debug". The application may hand a connector other settings, and tests do.
//
//     class Replay : public DWEbayReplaySettings {
//         bool useSavedXMLResponses() const override { return true; }
//         QString folderPath() const override { return m_folder; }
//         ...
//     };
//     connector.setReplaySettings(std::make_shared<Replay>(...));
//
// Asked on the sending thread, once per send; implementations must be safe to call from any thread.

#include "DWEBay2/DWEBayExport.h"

#include <QString>
#include <memory>

class DWEBAY_EXPORT DWEbayReplaySettings
{
public:
    virtual ~DWEbayReplaySettings();

    // The user default "useSavedXMLResponses", read at each call.
    virtual bool useSavedXMLResponses() const;
    // The home folder's "DWEbay_Debug", as a clean absolute path.
    virtual QString folderPath() const;

    // The settings every connector starts with.
    static std::shared_ptr<const DWEbayReplaySettings> standard();
};
