Update Hdok set Neh = "A"
where
 Upper(Nla) like "BO%"
 and Upper(Nce) like "%HŘIB%"
 and Upper(Lk) like "%HORA%"