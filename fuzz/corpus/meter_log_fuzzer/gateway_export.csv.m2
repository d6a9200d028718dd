Gateway Name,Gateway SN,Device,Point,Units
Site Gateway,GW-0042,Meter 1,kWh,kWh
Exported,05/03/2012
header four
header five
header six
0,Meter 1,05/03/2012 05:00,kWh,500
0,Meter 1,05/03/2012 06:00,kWh,1000
0,Meter 1,05/03/2012 07:00,kWh,1002.5
0,Meter 1,05/03/2012 20:00,kWh,1004
