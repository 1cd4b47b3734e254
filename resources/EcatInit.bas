' Bus program of the Korvan virtual controller.
' Publishes the bus configuration in the P_ variables (one entry per node of
' all slots together, entry 0 being the controller's own axes), scans the
' buses and serves P_BusCmd:
'   4  take over the configuration written into the P_ variables: link each
'      drive's axes (AXIS_ADDRESS, ATYPE 65 + mode - 1), then P_BusCmd = 0;
'   10 assign nodes and axes automatically, then P_BusCmd = 0.
' It runs on its own and also after an axis parameter file, to which the
' workbench appends it for a ROM download.
GLOBAL Sys_version
GLOBAL P_BusCmd, P_SetNodeNum
GLOBAL P_SlotNodeNum(10), P_SlotMode(10)
GLOBAL P_NodeMode(100), P_NodeProfile(100), P_NodeAtype(100)
GLOBAL P_NodeAxisstart(100), P_NodeAxisnum(100), P_NodeStatus(100)
GLOBAL P_NodeVender(100), P_NodeDevice(100), P_NodeIoStart(100)
GLOBAL P_NodeInNum(100), P_NodeOutNum(100), P_NodeAioStart(100)
GLOBAL P_NodeAinNum(100), P_NodeAoutNum(100)
Sys_version = 1.02
P_BusCmd = 0

GOSUB BusAutoAssign
WHILE 1
    WAIT UNTIL P_BusCmd = 4 OR P_BusCmd = 10
    IF P_BusCmd = 10 THEN
        GOSUB BusAutoAssign
    ELSE
        GOSUB BusTakeOver
    ENDIF
    P_BusCmd = 0
WEND

' Scans every slot and gives each drive the next free axes: after the
' controller's own axes and the expansion modules' axes, as long as axes are
' left (a drive without room gets none and first axis -1).
BusAutoAssign:
    bus_node = 1
    bus_axis = MAX_REALAXIS + MAX_MODULEAXIS
    P_NodeMode(0) = 0
    P_NodeProfile(0) = -1
    P_NodeAtype(0) = 0
    P_NodeAxisstart(0) = 0
    P_NodeAxisnum(0) = MAX_REALAXIS
    P_NodeStatus(0) = 0
    P_NodeVender(0) = 0
    P_NodeDevice(0) = 0
    P_NodeIoStart(0) = 0
    P_NodeInNum(0) = 0
    P_NodeOutNum(0) = 0
    P_NodeAioStart(0) = 0
    P_NodeAinNum(0) = 0
    P_NodeAoutNum(0) = 0
    FOR bus_slot = 0 TO 9
        P_SlotMode(bus_slot) = SLOT_TYPE(bus_slot)
        P_SlotNodeNum(bus_slot) = 0
        IF bus_slot = 0 THEN
            P_SlotNodeNum(0) = 1
        ENDIF
        IF SLOT_TYPE(bus_slot) > 0 THEN
            FOR bus_k = 0 TO NODE_COUNT(bus_slot) - 1
                bus_axes = NODE_AXIS_COUNT(bus_slot, bus_k)
                P_NodeMode(bus_node) = NODE_INFO(bus_slot, bus_k, 6)
                P_NodeProfile(bus_node) = 0
                P_NodeAtype(bus_node) = 0
                P_NodeAxisstart(bus_node) = -1
                P_NodeAxisnum(bus_node) = 0
                IF bus_axes > 0 THEN
                    P_NodeAtype(bus_node) = 1
                    IF bus_axis + bus_axes <= MAX_AXIS THEN
                        P_NodeAxisstart(bus_node) = bus_axis
                        P_NodeAxisnum(bus_node) = bus_axes
                        bus_axis = bus_axis + bus_axes
                    ENDIF
                ENDIF
                GOSUB BusNodeIdentity
                P_SlotNodeNum(bus_slot) = P_SlotNodeNum(bus_slot) + 1
                bus_node = bus_node + 1
            NEXT bus_k
        ENDIF
    NEXT bus_slot
    P_SetNodeNum = bus_node
    GOSUB BusTakeOver
    RETURN

' What the bus scan reads of node bus_k of slot bus_slot into entry bus_node.
BusNodeIdentity:
    P_NodeStatus(bus_node) = NODE_INFO(bus_slot, bus_k, 5)
    P_NodeVender(bus_node) = NODE_INFO(bus_slot, bus_k, 0)
    P_NodeDevice(bus_node) = NODE_INFO(bus_slot, bus_k, 1)
    P_NodeIoStart(bus_node) = NODE_IO(bus_slot, bus_k)
    P_NodeInNum(bus_node) = NODE_INFO(bus_slot, bus_k, 10)
    P_NodeOutNum(bus_node) = NODE_INFO(bus_slot, bus_k, 11)
    P_NodeAioStart(bus_node) = NODE_AIO(bus_slot, bus_k)
    P_NodeAinNum(bus_node) = NODE_INFO(bus_slot, bus_k, 12)
    P_NodeAoutNum(bus_node) = NODE_INFO(bus_slot, bus_k, 13)
    RETURN

' Links the drives' axes as the P_ variables say. Axes a bus address linked
' before lose their bus type first, so that a node taken out of the
' configuration no longer drives them. Entries beyond the nodes a slot really has, and axes
' outside the controller's range, are left out.
BusTakeOver:
    FOR bus_a = 0 TO MAX_AXIS - 1
        IF ATYPE(bus_a) >= 65 AND ATYPE(bus_a) <= 67 AND AXIS_ADDRESS(bus_a) >= 65536 THEN
            ATYPE(bus_a) = 0
            AXIS_ADDRESS(bus_a) = -1
        ENDIF
    NEXT bus_a
    bus_node = 0
    FOR bus_slot = 0 TO 9
        bus_first = 0
        IF bus_slot = 0 THEN
            bus_first = 1
            bus_node = 1
        ENDIF
        bus_present = 0
        IF SLOT_TYPE(bus_slot) > 0 THEN
            bus_present = NODE_COUNT(bus_slot)
        ENDIF
        bus_count = P_SlotNodeNum(bus_slot) - bus_first
        IF bus_count > 100 THEN
            bus_count = 100
        ENDIF
        FOR bus_k = 0 TO bus_count - 1
            IF bus_k < bus_present AND bus_node < 100 THEN
                GOSUB BusLinkNode
            ENDIF
            bus_node = bus_node + 1
        NEXT bus_k
    NEXT bus_slot
    RETURN

' Links the axes of node bus_k of slot bus_slot as entry bus_node says.
BusLinkNode:
    bus_axes = NODE_AXIS_COUNT(bus_slot, bus_k)
    bus_type = 65
    IF P_NodeAtype(bus_node) >= 1 AND P_NodeAtype(bus_node) <= 3 THEN
        bus_type = 64 + P_NodeAtype(bus_node)
    ENDIF
    FOR bus_j = 0 TO P_NodeAxisnum(bus_node) - 1
        bus_a = INT(P_NodeAxisstart(bus_node)) + bus_j
        IF bus_j < bus_axes AND bus_a >= 0 AND bus_a < MAX_AXIS THEN
            AXIS_ADDRESS(bus_a) = (bus_slot + 1) * 65536 + bus_k * 256 + bus_j
            ATYPE(bus_a) = bus_type
        ENDIF
    NEXT bus_j
    RETURN
