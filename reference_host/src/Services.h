// The groups of host services, each installed into the table by its own file.
#pragma once

#include "refhost/ServiceTable.h"

namespace refhost {

void provideMemoryServices(ServiceTable& table);
void provideDataBlockServices(ServiceTable& table);
void provideDataRecordServices(ServiceTable& table);
void provideGeneralServices(ServiceTable& table);
void provideParameterServices(ServiceTable& table);
void provideProgressServices(ServiceTable& table);
void provideResourceServices(ServiceTable& table);
void provideDialogServices(ServiceTable& table);

inline void provideStandardServices(ServiceTable& table) {
    provideMemoryServices(table);
    provideDataBlockServices(table);
    provideDataRecordServices(table);
    provideGeneralServices(table);
    provideParameterServices(table);
    provideProgressServices(table);
    provideResourceServices(table);
    provideDialogServices(table);
}

}  // namespace refhost
